// Platform services behind interfaces, each with a recording fake for tests: opening files and URLs
// with the desktop's handlers, mail as a standard .eml message, and printing through the drawing
// platform's printer backend.
#pragma once

#include "platform/graphics/Context.h"
#include "platform/graphics/Output.h"

#include <functional>
#include <string>
#include <vector>

namespace host {

// Opens a file with another app, or a URL (xdg-open on the desktop).
class Launcher {
  public:
    virtual ~Launcher() = default;
    // False when nothing could be started.
    virtual bool open(const std::string& pathOrUrl) = 0;
};

// Starts `xdg-open` detached (the app does not wait for it or reap it).
class XdgLauncher : public Launcher {
  public:
    bool open(const std::string& pathOrUrl) override;
    static bool available();
};

class RecordingLauncher : public Launcher {
  public:
    std::vector<std::string> opened;
    bool answer = true;
    bool open(const std::string& pathOrUrl) override {
        opened.push_back(pathOrUrl);
        return answer;
    }
};

struct MailMessage {
    std::string subject;
    std::vector<std::string> to;
    std::string body;
    std::vector<std::string> attachments; // file paths
};

struct MailResult {
    bool written = false;    // the .eml file exists
    bool handedOver = false; // a mail handler was started with it
    std::string path;        // where the message is
    std::string error;       // why it was not written
};

class MailService {
  public:
    virtual ~MailService() = default;
    virtual MailResult send(const MailMessage& message) = 0;
};

// Writes the message with its attachments as a standard .eml file into `folder`, then hands it to the
// launcher; the caller tells the user where the file is when nothing took it.
class EmlMailService : public MailService {
  public:
    EmlMailService(std::string folder, Launcher& launcher)
        : folder_(std::move(folder)), launcher_(launcher) {}
    MailResult send(const MailMessage& message) override;
    // The message as MIME text (exposed for tests).
    static std::string compose(const MailMessage& message, std::string& error);

  private:
    std::string folder_;
    Launcher& launcher_;
};

class RecordingMailService : public MailService {
  public:
    std::vector<MailMessage> sent;
    MailResult send(const MailMessage& message) override {
        sent.push_back(message);
        return {true, false, "", ""};
    }
};

struct PrintJob {
    gfx::PrinterOptions options;
    gfx::Rect pageBox{0, 0, 612, 792};
    // Draws every page (beginPage/endPage) into the printer's context.
    std::function<void(gfx::Context&)> draw;
};

class PrintService {
  public:
    virtual ~PrintService() = default;
    // False when nothing was printed (no printer configured, the output failed).
    virtual bool print(const PrintJob& job) = 0;
    virtual std::vector<std::string> printers() const = 0;
};

class QtPrintService : public PrintService {
  public:
    bool print(const PrintJob& job) override;
    std::vector<std::string> printers() const override;
};

class RecordingPrintService : public PrintService {
  public:
    std::vector<gfx::PrinterOptions> jobs;
    std::vector<std::string> names;
    bool answer = true;
    bool print(const PrintJob& job) override {
        jobs.push_back(job.options);
        return answer;
    }
    std::vector<std::string> printers() const override { return names; }
};

} // namespace host
