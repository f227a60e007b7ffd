// The overlapped read behind event reports, on a message pipe standing in for the HID driver's
// report queue: bounded waits, cancellation from another thread, and no report lost to a
// cancelled read.
#include "platform/windows/win32_io.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace z7 {
namespace {

class OverlappedReadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::wstring name =
            L"\\\\.\\pipe\\z7-overlapped-read-" + std::to_wstring(::GetCurrentProcessId());
        reader = ::CreateNamedPipeW(name.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED,
                                    PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1, 0,
                                    4096, 0, nullptr);
        ASSERT_NE(reader, INVALID_HANDLE_VALUE);
        writer = ::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(writer, INVALID_HANDLE_VALUE);
        completion = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        cancel = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    }
    void TearDown() override {
        for (HANDLE h : {writer, reader, completion, cancel})
            if (h && h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
    }
    void Send(std::vector<uint8_t> report) {
        DWORD written = 0;
        ASSERT_TRUE(::WriteFile(writer, report.data(), static_cast<DWORD>(report.size()), &written,
                                nullptr));
    }
    HidStatus Read(Millis timeout) {
        buffer.assign(64, 0);
        return OverlappedRead(reader, completion, cancel, buffer, timeout, got, "pipe");
    }

    HANDLE reader = INVALID_HANDLE_VALUE;
    HANDLE writer = INVALID_HANDLE_VALUE;
    HANDLE completion = nullptr;
    HANDLE cancel = nullptr;
    std::vector<uint8_t> buffer;
    size_t got = 0;
};

TEST_F(OverlappedReadTest, AReportThatComesAfterATimedOutReadGoesToTheNextRead) {
    EXPECT_EQ(Read(Millis(10)).error, HidError::kTimeout);
    EXPECT_EQ(got, 0u);
    Send({3, 22, 0, 7});
    const HidStatus status = Read(Millis(10));
    ASSERT_TRUE(status.ok()) << status.message;
    ASSERT_EQ(got, 4u);
    EXPECT_EQ(buffer[1], 22);
    EXPECT_EQ(buffer[3], 7);
    EXPECT_EQ(Read(Millis(0)).error, HidError::kTimeout);
}

TEST_F(OverlappedReadTest, ACancelEndsAWaitingReadOrElseTheNextOne) {
    // The read resets the completion event just before it starts waiting; cancel after that.
    // The limit is long enough that only the cancel can end the read.
    ::SetEvent(completion);
    std::thread canceller([this] {
        while (::WaitForSingleObject(completion, 0) == WAIT_OBJECT_0) ::SwitchToThread();
        ::SetEvent(cancel);
    });
    EXPECT_EQ(Read(Millis(600000)).error, HidError::kCancelled);
    canceller.join();

    ::SetEvent(cancel);
    Send({3, 1, 2});
    EXPECT_EQ(Read(Millis(600000)).error, HidError::kCancelled);
    ASSERT_TRUE(Read(Millis(10)).ok());  // the cancel did not eat the report
    EXPECT_EQ(got, 3u);
}

TEST_F(OverlappedReadTest, AClosedWriterIsAFailureNamingThePath) {
    ::CloseHandle(writer);
    writer = INVALID_HANDLE_VALUE;
    const HidStatus status = Read(Millis(10));
    EXPECT_FALSE(status.ok());
    EXPECT_NE(status.error, HidError::kTimeout);
    EXPECT_EQ(status.message.rfind("read pipe: ", 0), 0u) << status.message;
    EXPECT_NE(status.message.find("(error "), std::string::npos) << status.message;
}

}  // namespace
}  // namespace z7
