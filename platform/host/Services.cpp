// xdg-open started detached, .eml composition with base64 parts, and printing through Qt's printers.
#include "platform/host/Services.h"

#include "platform/foundation/Log.h"

#include <QPrinterInfo>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace host {

namespace {

std::string base64(const std::string& data, bool wrap) {
    static const char* table = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    size_t line = 0;
    for (size_t i = 0; i < data.size(); i += 3) {
        unsigned n = static_cast<unsigned char>(data[i]) << 16;
        if (i + 1 < data.size())
            n |= static_cast<unsigned char>(data[i + 1]) << 8;
        if (i + 2 < data.size())
            n |= static_cast<unsigned char>(data[i + 2]);
        out += table[(n >> 18) & 63];
        out += table[(n >> 12) & 63];
        out += i + 1 < data.size() ? table[(n >> 6) & 63] : '=';
        out += i + 2 < data.size() ? table[n & 63] : '=';
        line += 4;
        if (wrap && line >= 76) {
            out += "\r\n";
            line = 0;
        }
    }
    if (wrap && line > 0)
        out += "\r\n";
    return out;
}

bool isAscii(const std::string& s) {
    for (unsigned char c : s)
        if (c >= 0x80 || c == '\r' || c == '\n')
            return false;
    return true;
}

// A header value, encoded when it is not plain ASCII (line breaks never reach a header).
std::string headerText(const std::string& s) {
    if (isAscii(s))
        return s;
    std::string clean;
    for (char c : s)
        clean += (c == '\r' || c == '\n') ? ' ' : c;
    return "=?UTF-8?B?" + base64(clean, false) + "?=";
}

std::string baseName(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string mimeType(const std::string& name) {
    auto ends = [&](const char* ext) {
        std::string e = ext;
        return name.size() >= e.size() && name.compare(name.size() - e.size(), e.size(), e) == 0;
    };
    if (ends(".pdf"))
        return "application/pdf";
    if (ends(".csv"))
        return "text/csv";
    if (ends(".png"))
        return "image/png";
    if (ends(".txt"))
        return "text/plain";
    return "application/octet-stream";
}

// A MIME parameter: quoted when the value is plain ASCII, else as an RFC 2231 extended value
// (name*=UTF-8''percent-encoded), which mail programs decode back into the name.
std::string parameter(const std::string& key, const std::string& value) {
    bool ascii = true;
    for (unsigned char c : value)
        ascii = ascii && c >= 0x20 && c < 0x7F;
    if (ascii)
        return key + "=\"" + value + "\"";
    static const char* hex = "0123456789ABCDEF";
    std::string out = key + "*=UTF-8''";
    for (unsigned char c : value) {
        if (std::isalnum(c) || std::strchr("!#$&+-.^_`|~", c)) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::string quoted(const std::string& name) {
    std::string out;
    for (char c : name)
        if (c != '"' && c != '\r' && c != '\n' && c != '\\')
            out += c;
    return out;
}

} // namespace

bool XdgLauncher::available() {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':'))
        if (!dir.empty() && access((dir + "/xdg-open").c_str(), X_OK) == 0)
            return true;
    return false;
}

bool XdgLauncher::open(const std::string& pathOrUrl) {
    if (!available())
        return false;
    // Twice forked: the grandchild belongs to init, so the app neither waits for nor reaps it.
    pid_t child = fork();
    if (child < 0)
        return false;
    if (child == 0) {
        setsid();
        if (fork() == 0) {
            execlp("xdg-open", "xdg-open", pathOrUrl.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string EmlMailService::compose(const MailMessage& message, std::string& error) {
    const std::string boundary = "ovrida-part-boundary-7f3a9c";
    std::string out;
    std::string to;
    for (const auto& r : message.to)
        to += (to.empty() ? "" : ", ") + headerText(r);
    char date[64];
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    gmtime_r(&now, &tm);
    // Fixed English names: the mail date format is not localised.
    static const char* days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::snprintf(date, sizeof date, "%s, %02d %s %04d %02d:%02d:%02d +0000", days[tm.tm_wday], tm.tm_mday,
                  months[tm.tm_mon], tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
    out += "To: " + to + "\r\n";
    out += "Subject: " + headerText(message.subject) + "\r\n";
    out += std::string("Date: ") + date + "\r\n";
    out += "X-Unsent: 1\r\n";
    out += "MIME-Version: 1.0\r\n";
    out += "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\r\n\r\n";
    out += "--" + boundary + "\r\n";
    out += "Content-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: base64\r\n\r\n";
    out += base64(message.body, true);
    for (const auto& path : message.attachments) {
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            error = "cannot read attachment " + path;
            return {};
        }
        std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::string name = quoted(baseName(path));
        out += "--" + boundary + "\r\n";
        out += "Content-Type: " + mimeType(name) + "; " + parameter("name", name) + "\r\n";
        out += "Content-Disposition: attachment; " + parameter("filename", name) + "\r\n";
        out += "Content-Transfer-Encoding: base64\r\n\r\n";
        out += base64(data, true);
    }
    out += "--" + boundary + "--\r\n";
    return out;
}

MailResult EmlMailService::send(const MailMessage& message) {
    MailResult result;
    std::string text = compose(message, result.error);
    if (!result.error.empty())
        return result;
    // A new name each time, so an earlier message is never overwritten.
    for (int n = 1; n < 10000; ++n) {
        std::string path = folder_ + "/message-" + std::to_string(n) + ".eml";
        if (access(path.c_str(), F_OK) == 0)
            continue;
        std::ofstream out(path, std::ios::binary);
        out << text;
        out.close();
        if (!out) {
            result.error = "cannot write " + path;
            return result;
        }
        result.written = true;
        result.path = path;
        break;
    }
    if (!result.written) {
        if (result.error.empty())
            result.error = "no free message name in " + folder_;
        return result;
    }
    result.handedOver = launcher_.open(result.path);
    foundation::log("mail: wrote " + result.path + (result.handedOver ? ", handed to the mail handler" : ""));
    return result;
}

std::vector<std::string> QtPrintService::printers() const {
    std::vector<std::string> out;
    for (const QPrinterInfo& p : QPrinterInfo::availablePrinters())
        out.push_back(p.printerName().toStdString());
    return out;
}

std::optional<std::string> QtPrintService::defaultPrinter() const {
    QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return std::nullopt;
    return info.printerName().toStdString();
}

bool QtPrintService::print(const PrintJob& job) {
    // With no printer configured (and no file asked for) the print fails rather than vanishing.
    if (job.options.outputFile.empty() && printers().empty()) {
        foundation::log("print: no printer configured");
        return false;
    }
    auto ctx = gfx::makePrinterContext(job.options, job.pageBox);
    if (!ctx)
        return false;
    if (job.draw)
        job.draw(*ctx);
    return ctx->finish();
}

} // namespace host
