// The one way the program asks the user anything or hands something to another program: message
// boxes, the save-file dialog, the printer dialog and the opening of documents and web pages.
// The window fills the record with the real dialogs; tests put their own answers in. Plain C++,
// so that every layer can ask through it.
#pragma once

#include <functional>
#include <string>

class QPrinter;

namespace velora {

enum class MessageButtons { Ok, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Yes, No, Cancel };

struct MessageRequest {
    std::string title;
    std::string text;  // as the program builds it: carriage returns start new lines
    MessageButtons buttons = MessageButtons::Ok;
};

struct SaveFileRequest {
    std::string title;
    std::string folder;        // where the dialog opens
    std::string default_name;  // "Velora_Table.csv"
    std::string filter;        // "CSV files (*.csv)"
};

struct OpenFileRequest {
    std::string title;
    std::string folder;    // where the dialog opens
    std::string filter;    // "LabRadar (*.csv *.zip);;Garmin Xero (*.csv *.fit);;All files (*)"
    bool folders = false;  // a folder may be chosen as well as a file
};

// What the user types for a report before it is saved.
struct ReportDetails {
    std::string title;
    std::string notes;  // line breaks kept
};

// The scale of an image saved at print size, as the user chooses it.
struct ImageScale {
    double scale = 3.0;         // the scale proposed; the user's choice on return
    int width = 0, height = 0;  // the chart's own size in pixels, to show what each scale gives
    double most = 3.0;          // the largest scale the image may have
};

struct Dialogs {
    std::function<MessageAnswer(const MessageRequest&)> message;
    // The chosen path, or an empty text when the user cancelled.
    std::function<std::string(const SaveFileRequest&)> save_file;
    // The chosen file or folder, or an empty text when the user cancelled.
    std::function<std::string(const OpenFileRequest&)> open_file;
    // Opens a web page with the user's default program.
    std::function<void(const std::string& url)> open_url;
    // Opens a local document (the help manual) with the user's program for its kind. When there
    // is none, `no_program` is called, at once or a little later, on this same thread.
    std::function<void(const std::string& path, const std::function<void()>& no_program)> open_document;
    // The printer dialog: sets the printer up and answers true when the user confirmed it.
    std::function<bool(QPrinter&)> print_setup;
    // Asks for the report's title and notes: false when the user cancelled.
    std::function<bool(ReportDetails&)> report_details;
    // Asks the scale of an image saved at print size: false when the user cancelled.
    std::function<bool(ImageScale&)> image_scale;
};

}  // namespace velora
