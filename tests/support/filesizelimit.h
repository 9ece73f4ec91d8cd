// A full disk for the tests: while a FileSizeLimit lives, no file this process writes may
// grow past the given size (RLIMIT_FSIZE holds for every user, root included). SIGXFSZ is
// ignored meanwhile, so the write fails with an error instead of ending the process.
#pragma once

#include <sys/resource.h>
#include <csignal>
#include <stdexcept>

namespace ferolind::test {

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        if (getrlimit(RLIMIT_FSIZE, &old_) != 0) throw std::runtime_error("getrlimit(RLIMIT_FSIZE) failed");
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = old_;
        small.rlim_cur = bytes;
        if (setrlimit(RLIMIT_FSIZE, &small) != 0) {
            std::signal(SIGXFSZ, previousHandler_);
            throw std::runtime_error("setrlimit(RLIMIT_FSIZE) failed");
        }
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    struct rlimit old_ {};
    void (*previousHandler_)(int) = SIG_DFL;
};

}  // namespace ferolind::test
