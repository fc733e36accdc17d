#include "map_fixture.h"

#include "core/utf8.h"

#include "viewer/answers_log.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using testsupport::ReadFile;
using testsupport::TempDir;

core::LoggedAnswer Numbered(int i) {
    core::LoggedAnswer a;
    a.received = 1765292321 + i;
    a.number = "+38050" + std::to_string(1000000 + i % 3);
    a.text = u"Lat:50." + core::FromUtf8(std::to_string(i)) + u" Lon:30.5 #" +
             core::FromUtf8(std::to_string(i));
    a.read = ReadTrackerReport(a.text);
    return a;
}

// The numbers of the answers in the file, oldest first.
std::vector<int> Numbers(const std::string& path) {
    std::vector<int> numbers;
    for (const core::LoggedAnswer& a : core::ParseAnswersLog(ReadFile(path))) {
        const std::string text = core::ToUtf8(a.text);
        numbers.push_back(std::stoi(text.substr(text.find('#') + 1)));
    }
    return numbers;
}

// No gap and no repeat: every answer from the first kept to the last.
bool Consecutive(const std::vector<int>& numbers) {
    for (std::size_t i = 1; i < numbers.size(); ++i) {
        if (numbers[i] != numbers[i - 1] + 1) {
            return false;
        }
    }
    return true;
}

// The file keeps the newest answers, cut back whole now and then; another
// reader of it sees the same answers in the same order.
TEST(AnswersLogFile, KeepsTheNewestAnswersAndReadsBackWhatItWrote) {
    TempDir dir;
    const std::string path = dir.file("log/answers.log");
    AnswersLog log(path, 20);
    std::string reason;
    for (int i = 0; i < 60; ++i) {
        ASSERT_TRUE(log.add(Numbered(i), &reason)) << reason;
    }
    const std::vector<int> kept = Numbers(path);
    ASSERT_GE(kept.size(), 20u);
    EXPECT_LE(kept.size(), 22u) << "cut back at a tenth more than the bound";
    EXPECT_EQ(kept.back(), 59);
    EXPECT_TRUE(Consecutive(kept));
    AnswersLog again(path, 20);
    ASSERT_EQ(again.answers().size(), kept.size());
    EXPECT_EQ(again.answers().back().number, Numbered(59).number);
    EXPECT_EQ(again.answers().back().text, Numbered(59).text);
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

// A writer killed at any moment (while appending, or while cutting the
// file back) leaves every answer it had written before, in order.
TEST(AnswersLogFile, AKilledWriterLosesNoEarlierAnswer) {
    for (std::size_t bound : {std::size_t(10000), std::size_t(30)}) {
        TempDir dir;
        const std::string path = dir.file("answers.log");
        int progress[2];
        ASSERT_EQ(pipe(progress), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(progress[0]);
            AnswersLog log(path, bound);
            std::string reason;
            for (int i = 0; i < 200; ++i) {
                if (!log.add(Numbered(i), &reason) || write(progress[1], &i, sizeof i) < 0) {
                    _exit(1);
                }
            }
            _exit(0);
        }
        close(progress[1]);
        int done = -1;
        for (int i; done < 100 && read(progress[0], &i, sizeof i) == sizeof i;) {
            done = i;
        }
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        for (int i; read(progress[0], &i, sizeof i) == sizeof i;) {
            done = i; // written before the kill landed
        }
        close(progress[0]);
        ASSERT_GE(done, 100) << "the writer got that far";
        const std::vector<int> kept = Numbers(path);
        ASSERT_FALSE(kept.empty());
        EXPECT_TRUE(Consecutive(kept)) << "bound " << bound;
        EXPECT_GE(kept.back(), done) << "every answer it had written is there";
        EXPECT_GE(kept.size(), std::min<std::size_t>(bound, std::size_t(kept.back()) + 1))
            << "bound " << bound;
        if (bound > 200) {
            EXPECT_EQ(kept.front(), 0);
        }
    }
}

// A folder others can write to is refused with a reason that names it;
// the answer is still among those shown.
TEST(AnswersLogFile, AFolderOthersCanWriteIsRefused) {
    TempDir dir;
    const std::string folder = dir.file("shared");
    ASSERT_EQ(mkdir(folder.c_str(), 0777), 0);
    ASSERT_EQ(chmod(folder.c_str(), 0777), 0);
    AnswersLog log(folder + "/answers.log");
    std::string reason;
    EXPECT_FALSE(log.add(Numbered(1), &reason));
    EXPECT_NE(reason.find(folder), std::string::npos) << reason;
    EXPECT_EQ(log.answers().size(), 1u);
    EXPECT_NE(access((folder + "/answers.log").c_str(), F_OK), 0) << "nothing written there";
}

} // namespace
