#include "journal_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <systemd/sd-journal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace qorv {

namespace {

std::string oneLine(std::string value) {
    for (char& c : value)
        if (c == '\n') c = ' ';
    return value;
}

// Every field of the entry as the journal takes it, the fixed ones first.
std::vector<std::string> fieldLines(const LogEntry& entry) {
    std::vector<std::string> lines = {
        "MESSAGE=" + entry.message,
        "PRIORITY=" + std::to_string(int(entry.priority)),
        std::string("SYSLOG_IDENTIFIER=") + kAlertdIdentifier,
    };
    for (const auto& [name, value] : entry.fields) lines.push_back(name + "=" + value);
    return lines;
}

class Journal final : public JournalWriter {
public:
    void write(const LogEntry& entry) override {
        const std::vector<std::string> lines = fieldLines(entry);
        std::vector<iovec> parts;
        for (const std::string& line : lines) parts.push_back({const_cast<char*>(line.data()), line.size()});
        if (sd_journal_sendv(parts.data(), int(parts.size())) < 0) std::fprintf(stderr, "%s\n", entry.message.c_str());
    }
};

class PlainText final : public JournalWriter {
public:
    void write(const LogEntry& entry) override {
        std::fprintf(stderr, "%s: %s\n", kAlertdIdentifier, entry.message.c_str());
        std::fflush(stderr);
    }
};

class ExportFile final : public JournalWriter {
public:
    explicit ExportFile(std::string path) : path_(std::move(path)) {}
    void write(const LogEntry& entry) override {
        // Opened for each entry, so that a rotated file is followed; one write per entry,
        // so that a reader never sees half of one.
        const int fd = ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0640);
        const std::string text = exportFormat(entry);
        if (fd < 0 || ::write(fd, text.data(), text.size()) != ssize_t(text.size()))
            std::fprintf(stderr, "%s: %s (%s: %s)\n", kAlertdIdentifier, entry.message.c_str(), path_.c_str(),
                         std::strerror(errno));
        if (fd >= 0) ::close(fd);
    }

private:
    std::string path_;
};

// True when standard error is the stream systemd connected to the journal.
bool stderrIsJournal() {
    const char* stream = std::getenv("JOURNAL_STREAM");
    if (!stream) return false;
    struct stat st {};
    if (::fstat(STDERR_FILENO, &st) != 0) return false;
    unsigned long long device = 0, inode = 0;
    if (std::sscanf(stream, "%llu:%llu", &device, &inode) != 2) return false;
    return device == st.st_dev && inode == st.st_ino;
}

}  // namespace

std::string exportFormat(const LogEntry& entry) {
    std::string text;
    for (const std::string& line : fieldLines(entry)) text += oneLine(line) + "\n";
    return text + "\n";
}

std::unique_ptr<JournalWriter> makeJournalWriter(const std::string& logFile) {
    if (!logFile.empty()) return std::make_unique<ExportFile>(logFile);
    if (stderrIsJournal()) return std::make_unique<Journal>();
    return std::make_unique<PlainText>();
}

}  // namespace qorv
