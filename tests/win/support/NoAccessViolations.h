// Include once in a Windows test program: the system swallows an access
// violation raised inside a window procedure or hook called from a system
// frame (x64), so each one is counted here and fails the run all the same.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>

namespace test_support {

inline std::atomic<int> accessViolations{0};

inline LONG CALLBACK CountAccessViolations(EXCEPTION_POINTERS* info) {
    if (info->ExceptionRecord->ExceptionCode == EXCEPTION_ACCESS_VIOLATION) ++accessViolations;
    return EXCEPTION_CONTINUE_SEARCH;
}

class NoAccessViolations : public ::testing::Environment {
public:
    void SetUp() override { handler_ = AddVectoredExceptionHandler(1, CountAccessViolations); }
    void TearDown() override {
        RemoveVectoredExceptionHandler(handler_);
        EXPECT_EQ(accessViolations.load(), 0) << "access violations inside message handling or hooks";
    }

private:
    void* handler_ = nullptr;
};

inline ::testing::Environment* const noAccessViolations =
    ::testing::AddGlobalTestEnvironment(new NoAccessViolations);

}  // namespace test_support
