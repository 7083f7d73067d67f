#include "app/dialogs.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QUrl>

#include "app/app_texts.h"

namespace velora {

namespace {

QMessageBox::StandardButtons buttons_of(MessageButtons b)
{
    switch (b) {
        case MessageButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
        case MessageButtons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        case MessageButtons::Ok: break;
    }
    return QMessageBox::Ok;
}

MessageAnswer answer_of(int button)
{
    switch (button) {
        case QMessageBox::Yes: return MessageAnswer::Yes;
        case QMessageBox::No: return MessageAnswer::No;
        case QMessageBox::Cancel: return MessageAnswer::Cancel;
        default: return MessageAnswer::Ok;
    }
}

}  // namespace

Dialogs system_dialogs(std::function<QWidget*()> parent)
{
    Dialogs d;
    d.message = [parent](const MessageRequest& m) {
        QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(m.title),
                        QString::fromStdString(message_display_text(m.text)), buttons_of(m.buttons), parent());
        box.setTextFormat(Qt::PlainText);
        return answer_of(box.exec());
    };
    d.save_file = [parent](const SaveFileRequest& r) {
        const QString start = QDir(QString::fromStdString(r.folder)).filePath(QString::fromStdString(r.default_name));
        return QFileDialog::getSaveFileName(parent(), QString::fromStdString(r.title), start,
                                            QString::fromStdString(r.filter))
            .toStdString();
    };
    d.open_url = [](const std::string& url) { QDesktopServices::openUrl(QUrl(QString::fromStdString(url))); };
    d.print_setup = [parent](QPrinter& printer) {
        QPrintDialog dialog(&printer, parent());
        return dialog.exec() == QDialog::Accepted;
    };
    return d;
}

}  // namespace velora
