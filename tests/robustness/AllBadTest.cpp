// All six input files bad at once: the whole program, WinMain to its exit code, in this process
// and as the real executable in a process of its own.
#include "robustness/ShowRun.h"

#include "platform/headless/Headless.h"
#include "platform/win32/Win32Control.h"
#include "support/TestAssets.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <sstream>
#include <thread>

namespace
{

class AllBad : public showrun::ShowTest
{
  protected:
    void SetUp() override
    {
        ShowTest::SetUp();
        const showrun::PictureFile& j3 = showrun::Picture("j3.jpg");
        const showrun::PictureFile& scroller = showrun::Picture("scroller.jpg");
        Put("initial.jpg", {});
        Put("j1.jpg", badinputs::RandomBytes(5000, 1));
        Put("j2.jpg", badinputs::Png(400, 300, badinputs::SmoothPattern(2)));
        Put("j3.jpg", badinputs::FirstHalf(showrun::GoodPicture(j3)));
        Put("scroller.jpg", badinputs::WithFrameSize(showrun::GoodPicture(scroller), 60000, 60000));
        Put("zeft.mp3", badinputs::RandomBytes(100000, 2));
    }

    // One line for each of the six files, each naming its file once, nothing else.
    static void ExpectOneLineForEachFile(const std::string& err)
    {
        std::istringstream in(err);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        EXPECT_EQ(lines.size(), 6u) << err;
        for (const char* file :
             {"initial.jpg", "j1.jpg", "j2.jpg", "j3.jpg", "scroller.jpg", "zeft.mp3"})
        {
            const std::string quoted = std::string("\"") + file + "\"";
            EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                                    [&](const std::string& l)
                                    { return l.find(quoted) != std::string::npos; }),
                      1)
                << file << "\n"
                << err;
        }
    }
};

TEST_F(AllBad, WinMainRunsTheShowAndEndsWithCodeZero)
{
    headless::InjectInput({sys::InputKind::KeyDown, VK_ESCAPE}, 40);
    int code = -1;
    std::string err;
    {
        testassets::ScopedChdir in(dir);
        ::testing::internal::CaptureStderr();
        code = WinMain(nullptr, nullptr, nullptr, SW_SHOWNORMAL);
        err = ::testing::internal::GetCapturedStderr();
    }
    EXPECT_EQ(code, 0);
    EXPECT_EQ(headless::Observe().framesPresented, 40);
    EXPECT_EQ(VornGFX::DevicesAlive(), 0);
    EXPECT_EQ(win32::CursorCount(), 0);
    ExpectOneLineForEachFile(err);
}

// The real executable on SDL's dummy video and audio drivers: it runs until the session asks
// it to stop (SIGTERM, which SDL turns into a close request) and exits with status 0.
TEST_F(AllBad, TheDemoProcessRunsAndExitsWithStatusZero)
{
    const std::string errFile = dir + "/stderr.txt";
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0)
    {
        if (chdir(dir.c_str()) != 0)
            _exit(126);
        const int fd = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || dup2(fd, 2) < 0)
            _exit(126);
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        execl(QUEN_DEMO_PATH, "quen", static_cast<char*>(nullptr));
        _exit(127);
    }
    // Long enough for start-up and many frames, even under the sanitizers.
    int status = 0;
    pid_t ended = 0;
    for (int i = 0; i < 30 && ended == 0; ++i)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ended = waitpid(pid, &status, WNOHANG);
    }
    EXPECT_EQ(ended, 0) << "the demo stopped by itself";
    if (ended == 0)
    {
        kill(pid, SIGTERM);
        for (int i = 0; i < 100 && ended == 0; ++i)
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            ended = waitpid(pid, &status, WNOHANG);
        }
        if (ended == 0)
        {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            FAIL() << "the demo did not end within 10 s of SIGTERM";
        }
    }
    ASSERT_TRUE(WIFEXITED(status)) << "signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    const badinputs::Bytes err = badinputs::ReadFile(errFile);
    ExpectOneLineForEachFile(std::string(err.begin(), err.end()));
}

} // namespace
