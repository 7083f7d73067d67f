// One run per preferences folder: the lock is one run's and a killed run's lock is taken over; a
// later start with the same folder brings the running window to the front and ends without reading
// or writing anything.
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "app/single_instance.h"
#include "app_fixture.h"

namespace velora {
namespace {

using testing_support::AppTest;
using testing_support::read_file;

class SingleInstance : public AppTest {};

TEST_F(SingleInstance, TheLockIsOneRunsAndAKilledRunsLockIsTakenOver) {
    const std::string folder = home() + "/";
    {
        InstanceLock first, second;
        EXPECT_EQ(claim_instance(first, folder), InstanceClaim::First);
        EXPECT_EQ(claim_instance(second, folder), InstanceClaim::Running);
    }
    // A run holding the lock is killed outright: no shut-down of its own lets the lock go.
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        InstanceLock held;
        const char said = claim_instance(held, folder) == InstanceClaim::First ? 'y' : 'n';
        [[maybe_unused]] const ssize_t n = ::write(ready[1], &said, 1);
        for (;;) ::pause();
    }
    char said = 0;
    ASSERT_EQ(::read(ready[0], &said, 1), 1);
    EXPECT_EQ(said, 'y');
    InstanceLock meanwhile;
    EXPECT_EQ(claim_instance(meanwhile, folder), InstanceClaim::Running);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    InstanceLock after;
    EXPECT_EQ(claim_instance(after, folder), InstanceClaim::First);
    EXPECT_EQ(claim_instance(meanwhile, home() + "/none/"), InstanceClaim::Unknown) << "no folder to lock in";
}

TEST_F(SingleInstance, ALaterStartBringsTheRunningWindowToTheFrontAndEnds) {
    write_prefs({{"MV", "811.0"}});
    start();
    QWidget* top = window().window.get();
    top->showMinimized();
    ASSERT_TRUE(QTest::qWaitFor([top] { return top->isMinimized(); }));
    const std::string before = read_file(prefs_path());

    CalcState later_state;
    App later(later_state);
    start_program(later);
    EXPECT_TRUE(later.later_start);
    EXPECT_TRUE(later.ended);
    EXPECT_FALSE(later.window.window) << "no window of its own";
    finish_program(later);
    EXPECT_EQ(read_file(prefs_path()), before) << "nothing written";
    EXPECT_TRUE(QTest::qWaitFor([top] { return !top->isMinimized(); })) << "the running window in front";
}

}  // namespace
}  // namespace velora
