// qorvmon-sensors as scripts and monitoring systems run it: the real program, the real
// library and a real qvnbdrv --simulate on a private socket, in each of its three outputs.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

#include "file_text.h"
#include "service_process.h"
#include "temp_dir.h"

namespace qorv {
namespace {

using qorv::testing::fileText;
using qorv::testing::ServiceProcess;
using qorv::testing::TempDir;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

int count(const std::string& text, const std::string& part) {
    int n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

class SensorsCommand : public ::testing::Test {
protected:
    SensorsCommand() {
        // Other users run the program in some tests: they must reach the socket's folder.
        ::chmod(dir.path().c_str(), 0755);
    }
    // A watch that a failed assertion left running ends with the test.
    ~SensorsCommand() override {
        if (watching > 0) {
            ::kill(watching, SIGKILL);
            ::waitpid(watching, nullptr, 0);
        }
    }

    void serve(const std::string& scenarioText, const std::string& board = "M4430") {
        const std::string scenario = dir.file("s.scenario");
        std::ofstream(scenario) << scenarioText;
        service =
            std::make_unique<ServiceProcess>(std::string(QORV_BOARDS_DIR) + "/" + board + ".txt", socket,
                                             dir.file("service.log"), std::vector<std::string>{"--scenario", scenario});
        ASSERT_TRUE(service->ready()) << service->log();
    }

    // Starts the program with the board and a settings file of no board; with asNobody
    // (as root) as the user nobody in no group.
    pid_t start(std::vector<std::string> args, bool asNobody = false) {
        std::vector<std::string> argv;
        if (asNobody) argv = {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"};
        argv.push_back(QORVMON_SENSORS);
        for (const char* a : {"--board", "M4430", "--settings"}) argv.push_back(a);
        argv.push_back(dir.file("no-settings"));
        argv.insert(argv.end(), args.begin(), args.end());
        // The last run's output must not pass for this one's.
        ::unlink(outPath.c_str());
        ::unlink(errPath.c_str());
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::setenv("QVNBDRV_SOCKET", socket.c_str(), 1);
            // The program loads its library by name from its own folder ($ORIGIN). Under
            // the address sanitizer dlopen runs from the sanitizer's runtime, whose search
            // path that is not, so the folder is named here too.
            const std::string program = QORVMON_SENSORS;
            ::setenv("LD_LIBRARY_PATH", program.substr(0, program.rfind('/')).c_str(), 1);
            ::dup2(::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDOUT_FILENO);
            ::dup2(::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDERR_FILENO);
            std::vector<char*> raw;
            for (std::string& a : argv) raw.push_back(a.data());
            raw.push_back(nullptr);
            ::execvp(raw[0], raw.data());
            ::_exit(127);
        }
        return pid;
    }

    Outcome finish(pid_t pid) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        if (pid == watching) watching = -1;
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, fileText(outPath), fileText(errPath)};
    }

    Outcome run(std::vector<std::string> args, bool asNobody = false) { return finish(start(args, asNobody)); }

    // Waits until the running program's output holds lines lines (a minute at most).
    bool waitForLines(int lines) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (std::chrono::steady_clock::now() < deadline) {
            if (count(fileText(outPath), "\n") >= lines) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    // Every line of output is a document of the schema; the checker's complaints otherwise.
    std::string schemaFaults(const std::string& output) {
        const std::string documents = dir.file("documents.json");
        const std::string report = dir.file("schema-report");
        std::ofstream(documents) << output;
        const std::string command = std::string(QORV_SCHEMA_PYTHON) + " " + QORV_SCHEMA_CHECKER + " " +
                                    QORV_READING_SCHEMA + " " + documents + " > " + report + " 2>&1";
        return std::system(command.c_str()) == 0 ? "" : "schema check failed:\n" + fileText(report);
    }

    TempDir dir;
    std::string socket = dir.file("qvnbdrv.sock");
    std::string outPath = dir.file("out");
    std::string errPath = dir.file("err");
    std::unique_ptr<ServiceProcess> service;
    pid_t watching = -1;  // a --watch under way
};

// Whole-text match: '*' any characters but a line feed, '~' any characters at all, '#' a
// number (digits, '-' and '.'), anything else itself.
bool matches(const std::string& text, const std::string& pattern) {
    // row[j]: the pattern so far matches the text's first j characters.
    std::vector<char> row(text.size() + 1, 0), next(text.size() + 1);
    row[0] = 1;
    for (const char p : pattern) {
        for (size_t j = 0; j <= text.size(); ++j) {
            const char c = j ? text[j - 1] : '\0';
            const bool number = j && (std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '.');
            switch (p) {
                case '*': next[j] = row[j] || (j && next[j - 1] && c != '\n'); break;
                case '~': next[j] = row[j] || (j && next[j - 1]); break;
                case '#': next[j] = number && (row[j - 1] || next[j - 1]); break;
                default: next[j] = j && row[j - 1] && c == p;
            }
        }
        row.swap(next);
    }
    return row[text.size()];
}

struct Expected {
    std::vector<std::string> args;
    int status;
    const char* out;  // patterns for matches()
    const char* err;
};

// One board state, each output's answer to it.
struct BoardState {
    const char* what;
    const char* scenario;  // nullptr: no service at all
    std::vector<std::string> extra;
    std::vector<Expected> outputs;
};

TEST_F(SensorsCommand, EachOutputAnswersTheBoardsStateWithItsExitStatus) {
    const BoardState states[] = {
        {"healthy board",
         "seed 3\n",
         {},
         {
             {{}, 0, "CPU1 FAN*# RPM*low 2800*high 8000\n~", ""},
             {{"--json"}, 0, "{\"schema\":1,\"board\":\"M4430\",\"time\":\"*\",\"error\":null,\"sensors\":[{~", ""},
             {{"--check"},
              0,
              "QORVMON OK - 17 sensors in range | 'CPU1 FAN'=#;;2800:8000 *'-12V'=#;;-13.2:-10.8 "
              "*'CPU1 Temp'=#C;;75 *'System Temp'=#C;;55\n",
              ""},
         }},
        {"stalled fan",
         "stall-fan HWM1 2\n",
         {},
         {
             {{}, 1, "~\nCPU2 FAN*0 RPM*low 2800*high 8000 *!\nSYS FAN1 ~", ""},
             {{"--json"},
              1,
              "~\"name\":\"CPU2 FAN\",\"unit\":\"RPM\",\"group\":\"fan\",\"value\":0.0,"
              "\"low\":2800.0,\"high\":8000.0,\"out_of_range\":true,\"error\":null~",
              ""},
             {{"--check"}, 2, "QORVMON CRITICAL - CPU2 FAN 0 RPM below 2800 | *'CPU2 FAN'=0;;2800:8000 *\n", ""},
         }},
        {"bus losing every 40th transaction",
         "fail-every 40\n",
         {},
         {
             {{}, 1, "~ Read Failed RPM*low 2800*high 8000\n~", ""},
             {{"--json"},
              1,
              "~\"value\":null,\"low\":#,\"high\":#,\"out_of_range\":false,"
              "\"error\":\"no reading from chip HWM# (bank #, channel #)\"~",
              ""},
             {{"--check"}, 1, "QORVMON WARNING - # of 17 sensors could not be read: * | *=U;;*\n", ""},
         }},
        {"stopped service",
         nullptr,
         {},
         {
             {{},
              3,
              "",
              "qorvmon-sensors: the driver service is not running: there is no socket at *qvnbdrv.sock.\n"
              "Start it with 'sudo systemctl start qvnbdrv'*\n"},
             {{"--json"},
              3,
              "~\"error\":\"the driver service is not running: *\",\"sensors\":[{~",
              "qorvmon-sensors: the driver service is not running~"},
             {{"--check"},
              3,
              "QORVMON UNKNOWN - the driver service is not running: there is no socket at *\n"
              "Start it with 'sudo systemctl start qvnbdrv'*\n",
              ""},
         }},
        {"service of another board",
         "seed 3\n",
         {"--board", "M4090"},
         {
             {{},
              3,
              "",
              "qorvmon-sensors: the driver service at * answers but refused or failed every reading of board "
              "M4090.\nIt may serve another board*\n"},
             {{"--json"}, 3, "~\"board\":\"M4090\",*\"error\":\"the driver service at *M4090~", "~M4090~"},
             {{"--check"},
              3,
              "QORVMON UNKNOWN - the driver service at * refused or failed every reading of board M4090.\n"
              "It may serve*\n",
              ""},
         }},
    };
    for (const BoardState& state : states) {
        SCOPED_TRACE(state.what);
        service.reset();
        if (state.scenario) serve(state.scenario);
        for (const Expected& e : state.outputs) {
            std::vector<std::string> args = e.args;
            args.insert(args.end(), state.extra.begin(), state.extra.end());
            SCOPED_TRACE(args.empty() ? "text" : args.front());
            const Outcome o = run(args);
            EXPECT_EQ(o.status, e.status) << o.out << o.err;
            EXPECT_TRUE(matches(o.out, e.out)) << o.out;
            EXPECT_TRUE(matches(o.err, e.err)) << o.err;
            // Said once, not once a sensor.
            EXPECT_LE(count(o.err, "qorvmon-sensors:"), 1) << o.err;
            if (e.args == std::vector<std::string>{"--json"}) {
                EXPECT_EQ(schemaFaults(o.out), "");
            }
            if (e.args.empty() && e.status != 3) {
                EXPECT_EQ(count(o.out, "\n"), 17) << o.out;
            }
            // "!" only where a reading lies outside its thresholds.
            if (e.status == 0) {
                EXPECT_EQ(count(o.out, "!"), 0) << o.out;
            }
            EXPECT_EQ(count(o.out, " \n"), 0) << "a line ends in a blank:\n" << o.out;
        }
    }
}

TEST_F(SensorsCommand, ASocketTheUserMayNotOpenNamesItsGroupAndTheWayIn) {
    serve("seed 3\n");
    const bool root = ::geteuid() == 0;
    if (root && ::access("/usr/bin/setpriv", X_OK) != 0) GTEST_SKIP() << "running as root without setpriv";
    const struct {
        mode_t mode;
        const char* advice;  // as root, with the socket root's
    } sockets[] = {
        {0660,
         "Only members of the group root may read the sensors; add yourself and log in again:\n"
         "  sudo usermod -aG root $USER"},
        {0600,
         "Only its owner (root) may open it. Served with --mode 0660 * lets the group root in; "
         "then add yourself to the group and log in again:\n  sudo usermod -aG root $USER"},
    };
    for (const auto& s : sockets) {
        // Not being root, only a socket of no permissions is closed to its owner.
        const mode_t mode = root ? s.mode : 0;
        SCOPED_TRACE(mode);
        ASSERT_EQ(::chmod(socket.c_str(), mode), 0);
        const std::string denied = "permission denied on the driver service's socket " + socket;
        for (const std::vector<std::string>& args : {std::vector<std::string>{}, {"--json"}, {"--check"}}) {
            SCOPED_TRACE(args.empty() ? "text" : args.front());
            const Outcome o = run(args, root);
            EXPECT_EQ(o.status, 3) << o.out << o.err;
            const std::string& said = args == std::vector<std::string>{"--check"} ? o.out : o.err;
            EXPECT_NE(said.find(denied), std::string::npos) << said;
            if (root) {
                EXPECT_TRUE(matches(said, std::string("~") + s.advice + "~")) << said;
            }
        }
        if (!root) break;
    }
}

TEST_F(SensorsCommand, AWatchStampsEveryLineAndSaysAnOutageOnceUntilTheServiceIsBack) {
    // Text: each line stamped with its pass's time, blank lines between passes.
    serve("seed 3\n");
    pid_t pid = watching = start({"--watch", "1"});
    ASSERT_TRUE(waitForLines(2 * 17 + 1));
    ::kill(pid, SIGTERM);
    Outcome o = finish(pid);
    EXPECT_EQ(o.status, 0) << o.err;
    // "2026-12-10T11:02:33+00:00 CPU1 FAN ...": the time (digits where the template has 0).
    const auto stamped = [](const std::string& l) {
        const std::string form = "0000-00-00T00:00:00+00:00 ";
        if (l.size() <= form.size() || l.back() == ' ') return false;
        for (size_t i = 0; i < form.size(); ++i) {
            const bool ok = form[i] == '0'   ? std::isdigit(static_cast<unsigned char>(l[i])) != 0
                            : form[i] == '+' ? l[i] == '+' || l[i] == '-'
                                             : l[i] == form[i];
            if (!ok) return false;
        }
        return true;
    };
    std::istringstream lines(o.out);
    int passes = 1;
    for (std::string l; std::getline(lines, l);) {
        if (l.empty()) {
            ++passes;
        } else {
            EXPECT_TRUE(stamped(l)) << l;
        }
    }
    EXPECT_GE(passes, 2);

    // JSON: the service goes away and comes back under a watch.
    service.reset();
    pid = watching = start({"--json", "--watch", "1"});
    ASSERT_TRUE(waitForLines(2));
    serve("seed 3\n");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (count(fileText(outPath), "\"error\":null,\"sensors\"") == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ::kill(pid, SIGTERM);
    o = finish(pid);
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(schemaFaults(o.out), "");
    EXPECT_GE(count(o.out, "\"error\":\"the driver service is not running"), 2) << o.out;
    EXPECT_GE(count(o.out, "\"error\":null,\"sensors\""), 1) << o.out;
    EXPECT_EQ(count(o.err, "the driver service is not running"), 1) << o.err;
    EXPECT_EQ(count(o.err, "qorvmon-sensors: the sensors read again\n"), 1) << o.err;
}

TEST_F(SensorsCommand, ABadCommandLineIsUsageForScriptsAndUnknownForMonitoringSystems) {
    const struct {
        std::vector<std::string> args;
        int status;
        const char* out;
        const char* err;
    } cases[] = {
        {{"--json", "--check"}, 3, "QORVMON UNKNOWN - qorvmon-sensors: --json and --check are two outputs*\n", ""},
        {{"--check", "--watch", "5"}, 3, "QORVMON UNKNOWN - qorvmon-sensors: --check reads once*\n", ""},
        {{"--ch", "--frobnicate"}, 3, "QORVMON UNKNOWN - qorvmon-sensors: unknown option '--frobnicate'\n", ""},
        {{"--json", "--save-defaults"}, 2, "", "qorvmon-sensors: --save-defaults reads nothing~"},
        {{"--json", "--watch", "0"}, 2, "", "qorvmon-sensors: --watch takes a number of seconds~"},
    };
    for (const auto& c : cases) {
        const Outcome o = run(c.args);
        EXPECT_EQ(o.status, c.status) << c.args.front();
        EXPECT_TRUE(matches(o.out, c.out)) << o.out;
        EXPECT_TRUE(matches(o.err, c.err)) << o.err;
    }
}

}  // namespace
}  // namespace qorv
