#include "app/dialogs.h"

#include <algorithm>

#include <QApplication>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

#include "app/app_texts.h"
#include "output/plot_export.h"

namespace velora {

namespace {

QMessageBox::StandardButtons buttons_of(MessageButtons b) {
    switch (b) {
        case MessageButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
        case MessageButtons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        case MessageButtons::Ok: break;
    }
    return QMessageBox::Ok;
}

MessageAnswer answer_of(int button) {
    switch (button) {
        case QMessageBox::Yes: return MessageAnswer::Yes;
        case QMessageBox::No: return MessageAnswer::No;
        case QMessageBox::Cancel: return MessageAnswer::Cancel;
        default: return MessageAnswer::Ok;
    }
}

#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
// The desktop's opener says with its exit status whether a program took the document; one that
// ends with a failure this soon found none. (Without a desktop it runs the viewer itself and
// ends only with it.)
constexpr int OpenerVerdictMs = 10000;
constexpr int OpenerPollMs = 100;

// Starts the desktop's opener on `path` and watches it until it ends, without waiting for it:
// the program goes on meanwhile, and a viewer left open when the program ends stays open.
void open_with_desktop(const std::string& path, const std::function<void()>& no_program, QObject* context) {
    const QByteArray opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open")).toLocal8Bit();
    if (opener.isEmpty()) {
        no_program();
        return;
    }
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    std::string document = path;
    char* arguments[] = {const_cast<char*>(opener.constData()), document.data(), nullptr};
    pid_t child = 0;
    const int started = posix_spawn(&child, opener.constData(), &quiet, nullptr, arguments, environ);
    posix_spawn_file_actions_destroy(&quiet);
    if (started != 0) {
        no_program();
        return;
    }
    auto* watch = new QTimer(context);
    QElapsedTimer since;
    since.start();
    QObject::connect(watch, &QTimer::timeout, watch, [watch, since, child, no_program] {
        int status = 0;
        if (::waitpid(child, &status, WNOHANG) != child) return;
        const bool failed = !WIFEXITED(status) || WEXITSTATUS(status) != 0;
        const bool soon = since.elapsed() < OpenerVerdictMs;
        watch->stop();
        watch->deleteLater();
        if (failed && soon) no_program();
    });
    watch->start(OpenerPollMs);
}
#else
void open_with_desktop(const std::string& path, const std::function<void()>& no_program, QObject*) {
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)))) no_program();
}
#endif

}  // namespace

Dialogs system_dialogs(std::function<QWidget*()> parent) {
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
    d.open_file = [parent](const OpenFileRequest& r) {
        // Qt's own dialog, so that a folder can be taken as a whole besides a file.
        QFileDialog dialog(parent(), QString::fromStdString(r.title), QString::fromStdString(r.folder),
                           QString::fromStdString(r.filter));
        dialog.setOption(QFileDialog::DontUseNativeDialog, true);
        dialog.setFileMode(QFileDialog::ExistingFile);
        QString folder;
        if (r.folders) {
            if (auto* box = dialog.findChild<QDialogButtonBox*>()) {
                QPushButton* take = box->addButton(QStringLiteral("Import the &Folder"), QDialogButtonBox::ActionRole);
                take->setAccessibleDescription(QStringLiteral("Imports the folder shown, a series of its files"));
                QObject::connect(take, &QPushButton::clicked, &dialog, [&dialog, &folder] {
                    folder = dialog.directory().absolutePath();
                    static_cast<QDialog&>(dialog).done(QDialog::Accepted);
                });
            }
        }
        if (dialog.exec() != QDialog::Accepted) return std::string();
        if (!folder.isEmpty()) return folder.toStdString();
        const QStringList chosen = dialog.selectedFiles();
        return chosen.isEmpty() ? std::string() : chosen.front().toStdString();
    };
    d.open_url = [](const std::string& url) { QDesktopServices::openUrl(QUrl(QString::fromStdString(url))); };
    d.open_document = [parent](const std::string& path, const std::function<void()>& no_program) {
        // The watch ends with the window, and with it any word about the document.
        QWidget* window = parent();
        open_with_desktop(path, no_program, window != nullptr ? static_cast<QObject*>(window) : qApp);
    };
    d.print_setup = [parent](QPrinter& printer) {
        QPrintDialog dialog(&printer, parent());
        return dialog.exec() == QDialog::Accepted;
    };
    d.report_details = [parent](ReportDetails& details) {
        QDialog dialog(parent());
        dialog.setWindowTitle(QStringLiteral("Save Report"));
        auto* form = new QFormLayout(&dialog);
        auto* title = new QLineEdit(QString::fromStdString(details.title), &dialog);
        title->setPlaceholderText(QStringLiteral("Velora report"));
        auto* notes = new QPlainTextEdit(QString::fromStdString(details.notes), &dialog);
        notes->setPlaceholderText(QStringLiteral("The pellet, the batch, the rifle…"));
        notes->setTabChangesFocus(true);
        auto* title_label = new QLabel(QStringLiteral("&Title:"), &dialog);
        title_label->setBuddy(title);
        auto* notes_label = new QLabel(QStringLiteral("&Notes:"), &dialog);
        notes_label->setBuddy(notes);
        form->addRow(title_label, title);
        form->addRow(notes_label, notes);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
        QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
        QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
        form->addRow(buttons);
        if (dialog.exec() != QDialog::Accepted) return false;
        details.title = title->text().trimmed().toStdString();
        details.notes = notes->toPlainText().toStdString();
        return true;
    };
    d.image_scale = [parent](ImageScale& scale) { return ask_image_scale(parent(), scale); };
    return d;
}

bool ask_image_scale(QWidget* parent, ImageScale& scale) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QString::fromUtf8(PrintSizeDialogTitle));
    auto* form = new QFormLayout(&dialog);
    auto* size = new QDoubleSpinBox(&dialog);
    size->setRange(1.0, std::max(1.0, scale.most));
    size->setSingleStep(0.5);
    size->setDecimals(1);
    size->setSuffix(QStringLiteral(" ×"));
    size->setValue(scale.scale);
    size->setAccessibleName(QStringLiteral("Scale"));
    size->setAccessibleDescription(QStringLiteral("How many times the chart's size on the screen the image is"));
    auto* pixels = new QLabel(&dialog);
    const auto show_pixels = [pixels, &scale](double value) {
        pixels->setText(QString::fromStdString(image_size_text(scale.width, scale.height, value)));
    };
    show_pixels(size->value());
    QObject::connect(size, &QDoubleSpinBox::valueChanged, &dialog, show_pixels);
    auto* size_label = new QLabel(QStringLiteral("&Scale of the chart:"), &dialog);
    size_label->setBuddy(size);
    form->addRow(size_label, size);
    form->addRow(QStringLiteral("Image:"), pixels);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted) return false;
    scale.scale = size->value();
    return true;
}

}  // namespace velora
