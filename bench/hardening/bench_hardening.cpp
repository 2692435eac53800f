// The hardening matrix: the main window (offscreen) and its subsystems against a silent,
// wrong, slow or vanishing instrument, a dying JACK server, a full disk, a read-only
// library folder, a close in the middle of each activity, and a soak. One line a case,
// PASS or FAIL with its figure; the exit code counts the failures.
//
//   tessel_bench_hardening [instrument] [disk] [closing] [jack] [soak]   (default: all)
//
// The JACK cases start a JACK server of their own (jackd must be installed).
#include <linux/capability.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <string>

#include <QApplication>

#include "bench/hardening/Cases.h"
#include "bench/hardening/Harness.h"

namespace {

// Run as root, the process could write into a read-only folder: it gives up the
// capabilities that override file permissions (every thread started later inherits that).
void DropPermissionOverride() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (syscall(SYS_capget, &header, data) != 0) {
        return;
    }
    for (const int capability : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER}) {
        data[capability / 32].effective &= ~(1u << (capability % 32));
        data[capability / 32].permitted &= ~(1u << (capability % 32));
    }
    syscall(SYS_capset, &header, data);
}

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    signal(SIGXFSZ, SIG_IGN);  // a write past the file size limit fails as on a full disk
    signal(SIGPIPE, SIG_IGN);  // a killed instrument's pipe
    DropPermissionOverride();
    QApplication app(argc, argv);
    const std::map<std::string, void (*)()> groups{
        {"instrument", tessel::bench::RunInstrumentFaults},
        {"disk", tessel::bench::RunDiskFaults},
        {"closing", tessel::bench::RunClosing},
        {"jack", tessel::bench::RunJack},
        {"soak", tessel::bench::RunSoak}};
    std::set<std::string> chosen(argv + 1, argv + argc);
    for (const char* name : {"instrument", "disk", "closing", "jack", "soak"}) {
        if (chosen.empty() || chosen.count(name) != 0) {
            groups.at(name)();
        }
    }
    std::printf("%d case(s) failed\n", tessel::bench::Case::Failures());
    return tessel::bench::Case::Failures() == 0 ? 0 : 1;
}
