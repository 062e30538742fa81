// Platform services behind interfaces, each with a recording fake for tests: opening files and URLs
// with the desktop's handlers, mail as a standard .eml message, and printing through the drawing
// platform's printer backend; file icons by type from the app's own resources.
#pragma once

#include "platform/graphics/Context.h"
#include "platform/graphics/Image.h"
#include "platform/graphics/Output.h"

#include <functional>
#include <map>
#include <optional>
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
    std::string title = {};               // what a composer shows as its title ("Support"); not sent
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
    // The printer the system prints to unless told otherwise; nothing when none is set.
    virtual std::optional<std::string> defaultPrinter() const { return std::nullopt; }
};

class QtPrintService : public PrintService {
  public:
    bool print(const PrintJob& job) override;
    std::vector<std::string> printers() const override;
    std::optional<std::string> defaultPrinter() const override;
};

class RecordingPrintService : public PrintService {
  public:
    std::vector<gfx::PrinterOptions> jobs;
    // Every job whole, its drawing included, for a test to run into a context of its own.
    std::vector<PrintJob> printedJobs;
    std::vector<std::string> names;
    std::optional<std::string> defaultName;
    bool answer = true;
    bool print(const PrintJob& job) override {
        jobs.push_back(job.options);
        printedJobs.push_back(job);
        return answer;
    }
    std::vector<std::string> printers() const override { return names; }
    std::optional<std::string> defaultPrinter() const override { return defaultName; }
};

// The icon of a file by its type (the extension, in any case); types without an icon of their own get
// the generic document icon.
class FileIconService {
  public:
    virtual ~FileIconService() = default;
    // No image only when not even the generic icon is available.
    virtual std::optional<gfx::Image> iconForExtension(const std::string& extension) = 0;
    std::optional<gfx::Image> iconForPath(const std::string& path);
};

// Our own icons shipped in the resources folder (icons/<type>.png, with the @2x variant for a device
// scale of 2 and above): a bare machine has no icon theme to ask. Each type is loaded once.
class ResourceFileIconService : public FileIconService {
  public:
    explicit ResourceFileIconService(std::string resourcesFolder, double deviceScale = 1)
        : folder_(std::move(resourcesFolder)), scale_(deviceScale) {}
    std::optional<gfx::Image> iconForExtension(const std::string& extension) override;

  private:
    std::optional<gfx::Image> load(const std::string& name);
    std::string folder_;
    double scale_;
    std::map<std::string, std::optional<gfx::Image>> loaded_;
};

class RecordingFileIconService : public FileIconService {
  public:
    std::vector<std::string> asked; // extensions as given
    std::optional<gfx::Image> answer = gfx::Image::blank(1, 1);
    std::optional<gfx::Image> iconForExtension(const std::string& extension) override {
        asked.push_back(extension);
        return answer;
    }
};

} // namespace host
