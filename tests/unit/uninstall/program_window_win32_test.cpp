// Closing a program by its window class, with real windows on a second thread
// of the test: an answering window goes; a hung one cannot hold the caller.
#include "uninstall/program_window.h"

#include <gtest/gtest.h>

#include "window_thread_win32.h"

namespace {

using testwatch::WindowThread;

const char kTitle[] = "test window";
// Longer than the code under test may wait for any one window.
const DWORD kHang = 60000;

TEST(CloseProgramWindow, AnsweringWindowIsClosed) {
  WindowThread program("PwTestAnsweringClass", kTitle, 0);
  ASSERT_NE(nullptr, FindWindowA("PwTestAnsweringClass", nullptr));
  pw::CloseWindowOfClass("PwTestAnsweringClass", 0);
  EXPECT_EQ(nullptr, FindWindowA("PwTestAnsweringClass", nullptr));
  EXPECT_EQ(1, program.CloseCount());
}

TEST(CloseProgramWindow, MissingWindowIsPassedOverAndNoOtherIsClosed) {
  // A bystander titled like the missing class: only the class may match.
  WindowThread bystander("PwTestBystanderClass", "PwTestNoSuchClass", 0);
  ASSERT_NE(nullptr, FindWindowA("PwTestBystanderClass", nullptr));
  pw::CloseWindowOfClass("PwTestNoSuchClass", 0);
  EXPECT_EQ(0, bystander.CloseCount());
  EXPECT_NE(nullptr, FindWindowA("PwTestBystanderClass", nullptr));
}

TEST(CloseProgramWindow, HungWindowCannotHoldTheCaller) {
  WindowThread program("PwTestHungClass", kTitle, kHang);
  ASSERT_NE(nullptr, FindWindowA("PwTestHungClass", nullptr));
  // Returns although the window never finishes handling WM_CLOSE.
  pw::CloseWindowOfClass("PwTestHungClass", 0);
  EXPECT_EQ(1, program.CloseCount());
  EXPECT_NE(nullptr, FindWindowA("PwTestHungClass", nullptr));
  program.Release();
}

}  // namespace
