#pragma once
// A test that needs an outside tool (Dovecot, Python, Xvfb ...) skips when it is missing on a
// developer's machine, but fails in CI (CI=true), where ./test.sh must have installed it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <unistd.h>

inline bool RunningInCI()
{
    const char* ci = std::getenv("CI");
    return ci && std::string(ci) == "true";
}

#define REQUIRE_TOOL(path)                                                              \
    do {                                                                                \
        if (::access((path), X_OK) != 0) {                                              \
            if (RunningInCI()) FAIL() << "required tool missing in CI: " << (path);     \
            GTEST_SKIP() << "tool missing: " << (path);                                 \
        }                                                                               \
    } while (0)
