#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "board_checker.h"
#include "file_text.h"
#include "temp_dir.h"

namespace qorv::board_check {
namespace {

using qorv::testing::TempDir;

const std::string kBoards = QORV_BOARDS_DIR;

// A copy of board M4730 with one edit, beside a copy of its picture.
std::string boardWith(const TempDir& dir, const std::string& from, const std::string& to) {
    std::string text = qorv::testing::fileText(kBoards + "/M4730.txt");
    if (!from.empty()) {
        const size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        if (at != std::string::npos) text.replace(at, from.size(), to);
    }
    const std::string path = dir.file("M4730.txt");
    std::ofstream(path, std::ios::binary) << text;
    std::filesystem::copy_file(kBoards + "/M4730.jpg", dir.file("M4730.jpg"),
                               std::filesystem::copy_options::overwrite_existing);
    return path;
}

TEST(BoardCheck, EveryCheckFailsOnItsFault) {
    const struct {
        const char* fault;
        std::string from;
        std::string to;
        const char* says;  // empty: the board passes
    } cases[] = {
        {"none", "", "", ""},
        {"LF line end", "<SENSORS>\r\n", "<SENSORS>\n", "CR LF"},
        {"no sensor list", "<SENSORS>\r\n", "<SENSOR S>\r\n", "sensor list"},
        {"bad number", "\r\n534\r\n49\r\n", "\r\n5x4\r\n49\r\n", "not a whole number"},
        {"block missing", "<NUMBER>\r\n15\r\n", "<NUMBER>\r\n16\r\n", "promises 16 sensors"},
        {"extra line", "<SENSOR>\r\nCPU2 FAN", "stray\r\n<SENSOR>\r\nCPU2 FAN", "between sensor blocks"},
        {"wrong unit", "\r\nV\r\n", "\r\nmV\r\n", "is not RPM, V or C"},
        {"low above high", "\r\n10000\r\n2800\r\n", "\r\n2800\r\n10000\r\n", "not below DefaultHigh"},
        {"nominal out of range", "\r\n10000\r\n2800\r\n", "\r\n10000\r\n6000\r\n", "nominal reading"},
        {"no PWM register", "RPM\r\n91\r\n", "RPM\r\n92\r\n", "no PWM register"},
        {"channel not measured", "HWM1\r\n0\r\n40\r\nRPM", "HWM1\r\n0\r\n43\r\nRPM", "measures"},
        {"bad chip id", "<ID>XEON2", "<ID>XEON9", "names no chip block"},
        {"chip id twice", "<ID>XEON2", "<ID>xeon1", "used twice"},
        {"unknown southbridge", "<SB>CSB5", "<SB>CSB9", "southbridge"},
        {"model of another board", "<MODEL>M4730", "<MODEL>M4731", "does not match the file name"},
        {"model longer than a kind", "<MODEL>W83782D", "<MODEL>W83782DX", "the library made 2 chips"},
        {"chip without sensor", "</MB>", "<HWM>\r\n<ID>HWM9\r\n<MODEL>W83782D\r\n<SLVADD>88\r\n</HWM>\r\n</MB>",
         "without a sensor"},
        {"label outside", "\r\n534\r\n49\r\n", "\r\n990\r\n49\r\n", "leaves the 1000x720 picture"},
        {"labels overlap", "\r\n534\r\n283\r\n", "\r\n534\r\n55\r\n", "overlap"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        TempDir dir;
        const std::string path = boardWith(dir, c.from, c.to);
        std::ostringstream out;
        try {
            checkBoard(path, out);
            EXPECT_STREQ(c.says, "");
        } catch (const std::exception& e) {
            EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
            EXPECT_STRNE(c.says, "") << e.what();
        }
    }
}

TEST(BoardCheck, PicturesShareOneSizeThatFitsTheScreen) {
    TempDir dir;
    const std::string board = boardWith(dir, "", "");
    TempDir wide;
    const std::string other = wide.file("M4730.txt");
    std::filesystem::copy_file(board, other);
    QImage picture(1100, 720, QImage::Format_RGB32);
    picture.fill(Qt::gray);
    ASSERT_TRUE(picture.save(QString::fromStdString(wide.file("M4730.jpg")), "JPEG"));
    std::ostringstream out;
    EXPECT_EQ(checkBoards({board}, false, out), 0) << out.str();
    EXPECT_EQ(checkBoards({board}, true, out), 1);  // one board covers one host family
    out.str("");
    EXPECT_EQ(checkBoards({board, other}, false, out), 1);
    EXPECT_NE(out.str().find("a 1100x720 picture beside the navigation strip does not fit"), std::string::npos);
    EXPECT_NE(out.str().find("the pictures differ in size"), std::string::npos);
}

}  // namespace
}  // namespace qorv::board_check

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);  // the picture format plugins
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
