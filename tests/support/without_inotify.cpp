// without_inotify instances|watches <program> [arguments...]
//
// Runs the program as if the user's inotify instances (inotify_init fails with EMFILE) or
// watches (inotify_add_watch fails with ENOSPC) were used up, as another program holding the
// last one leaves them; no root needed. A seccomp filter answers those calls with the error the
// kernel gives at the limit; it holds for the program and everything it starts.

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

int main(int argc, char** argv) {
    const std::string which = argc > 2 ? argv[1] : "";
    if (which != "instances" && which != "watches") {
        std::fprintf(stderr, "usage: without_inotify instances|watches <program> [arguments...]\n");
        return 2;
    }
    std::vector<sock_filter> filter{BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr))};
    const auto refuse = [&](long call, int error) {
        filter.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, static_cast<__u32>(call), 0, 1));
        filter.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | static_cast<__u32>(error)));
    };
    if (which == "instances") {
        refuse(__NR_inotify_init1, EMFILE);
#ifdef __NR_inotify_init
        refuse(__NR_inotify_init, EMFILE);
#endif
    } else {
        refuse(__NR_inotify_add_watch, ENOSPC);
    }
    filter.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
    const sock_fprog program{static_cast<unsigned short>(filter.size()), filter.data()};
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 || ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0) {
        std::fprintf(stderr, "without_inotify: cannot install the filter: %s\n", std::strerror(errno));
        return 125;
    }
    ::execv(argv[2], argv + 2);
    std::fprintf(stderr, "without_inotify: cannot run %s: %s\n", argv[2], std::strerror(errno));
    return 127;
}
