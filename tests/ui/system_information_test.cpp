// Finding and starting the system-information tool: which installed program is taken, what
// is passed over, and what the user is told when nothing can be started.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "system_information.h"

using namespace qorv;

namespace {

constexpr QFile::Permissions kExecutable =
    QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup;
constexpr QFile::Permissions kPlain = QFile::ReadOwner | QFile::WriteOwner;

void writeFile(const QString& path, const QByteArray& content, QFile::Permissions permissions) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    QVERIFY(file.setPermissions(permissions));
}

// Sets PATH for one test and puts it back afterwards.
class PathOverride {
public:
    explicit PathOverride(const QString& path) : saved_(qgetenv("PATH")) { qputenv("PATH", path.toLocal8Bit()); }
    ~PathOverride() { qputenv("PATH", saved_); }

private:
    QByteArray saved_;
};

}  // namespace

class SystemInformationTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir root;
    QString first;
    QString second;

    QString in(const QString& folder, const char* name) { return folder + "/" + name; }
    std::string found(const std::vector<std::string>& candidates) {
        return findSystemInformationTool(candidates, {first.toStdString(), second.toStdString()});
    }

private slots:
    void init() {
        QVERIFY(root.isValid());
        const QDir dir(root.path());
        for (const QString& name : dir.entryList(QDir::NoDotAndDotDot | QDir::AllEntries))
            QVERIFY(QDir(dir.filePath(name)).removeRecursively() || QFile::remove(dir.filePath(name)));
        first = dir.filePath("first");
        second = dir.filePath("second");
        QVERIFY(dir.mkpath(first));
        QVERIFY(dir.mkpath(second));
    }

    void theEarliestCandidateWinsWhereverItLies() {
        writeFile(in(first, "viewer"), "#!/bin/sh\n", kExecutable);
        writeFile(in(second, "summary"), "#!/bin/sh\n", kExecutable);
        QCOMPARE(found({"summary", "viewer"}), in(second, "summary").toStdString());
        QCOMPARE(found({"viewer", "summary"}), in(first, "viewer").toStdString());
        // For one candidate the search path's order decides.
        writeFile(in(second, "viewer"), "#!/bin/sh\n", kExecutable);
        QCOMPARE(found({"viewer"}), in(first, "viewer").toStdString());
    }

    void whatCannotBeRunIsPassedOver() {
        writeFile(in(first, "summary"), "#!/bin/sh\n", kPlain);
        QVERIFY(QDir(first).mkdir("viewer"));  // a folder carries the execute bit
        QVERIFY(QFile::link(in(first, "gone"), in(first, "broken")));
        QCOMPARE(found({"summary", "viewer", "broken", "absent"}), std::string());

        writeFile(in(second, "viewer"), "#!/bin/sh\n", kExecutable);
        QCOMPARE(found({"summary", "viewer"}), in(second, "viewer").toStdString());
        // A link to a program, as packages often install them, is a program.
        QVERIFY(QFile::link(in(second, "viewer"), in(first, "linked")));
        QCOMPARE(found({"linked", "viewer"}), in(first, "linked").toStdString());
        // A name with a folder in it is no program name.
        QCOMPARE(found({"../second/viewer", ""}), std::string());
        QCOMPARE(findSystemInformationTool({"viewer"}, {}), std::string());
    }

    void theFirstInstalledToolIsStartedAndLeftRunning() {
        const QString marker = in(second, "started");
        const QString candidate = QString::fromStdString(systemInformationCandidates().front());
        writeFile(first + "/" + candidate, "#!/bin/sh\necho started > '" + marker.toLocal8Bit() + "'\n", kExecutable);
        std::vector<std::string> messages;
        {
            const PathOverride path(first);
            StartSystemInformation([&](const std::string& m) { messages.push_back(m); });
        }
        QVERIFY(messages.empty());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker), 10000);
    }

    void nothingStartableSaysSo() {
        for (const std::string& candidate : systemInformationCandidates())
            for (const char* folder : {"/usr/local/sbin", "/usr/sbin"})
                if (QFile::exists(QString(folder) + "/" + QString::fromStdString(candidate)))
                    QSKIP("a system-information tool is installed outside the search path");

        std::vector<std::string> messages;
        const auto record = [&](const std::string& m) { messages.push_back(m); };
        {
            const PathOverride path(first);
            StartSystemInformation(record);
        }
        // A file that claims to be the tool but is no program fails to start.
        writeFile(in(first, systemInformationCandidates().front().c_str()), "not a program", kExecutable);
        {
            const PathOverride path(first);
            StartSystemInformation(record);
        }
        QCOMPARE(messages, std::vector<std::string>(2, kSystemInformationUnavailable));
    }
};

QTEST_MAIN(SystemInformationTest)
#include "system_information_test.moc"
