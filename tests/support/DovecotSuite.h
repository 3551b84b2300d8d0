#pragma once
// A test suite that shares one private Dovecot: started once for all its tests, each test
// working in a mailbox of its own, named after the test, with the password "wonderland".
#include "Dovecot.h"
#include "RequireTool.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

class DovecotSuite : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (::access(Dovecot::Binary, X_OK) != 0) return;
        try {
            server_ = std::make_unique<Dovecot>();
            server_->Start();
        } catch (const std::exception& e) {
            startFailure_ = e.what();
        }
    }
    static void TearDownTestSuite() { server_.reset(); }

    // Call first in SetUp: fails (in CI) or skips without Dovecot; makes the test's mailbox.
    void SetUpMailbox()
    {
        REQUIRE_TOOL(Dovecot::Binary);
        ASSERT_TRUE(server_ && server_->Running()) << startFailure_;
        user_ = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        server_->AddUser(user_, "wonderland");
    }

    static inline std::unique_ptr<Dovecot> server_;
    static inline std::string startFailure_;
    std::string user_;
};
