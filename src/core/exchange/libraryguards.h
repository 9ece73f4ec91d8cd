// Guards around the C libraries of the data exchange (libxlsxwriter, libmdb).
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <locale.h>

namespace ferolind::exchange {

// C library number formatting in the "C" locale for the calling thread: libraries that
// write numbers with printf or read them with strtod would otherwise write "12,5" under a
// German process locale, which no workbook reader takes.
class CNumericScope {
public:
    CNumericScope() {
        c_ = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
        if (c_) previous_ = uselocale(c_);
    }
    ~CNumericScope() {
        if (c_) {
            uselocale(previous_);
            freelocale(c_);
        }
    }
    CNumericScope(const CNumericScope&) = delete;
    CNumericScope& operator=(const CNumericScope&) = delete;

private:
    locale_t c_ = locale_t(nullptr);
    locale_t previous_ = locale_t(nullptr);
};

// The libraries report failures on stderr as well ("[ERROR][packager.c:…]", "Unknown Jet
// version"); the user gets one German sentence instead, so stderr goes nowhere meanwhile.
class StderrSilenced {
public:
    StderrSilenced() {
        std::fflush(stderr);
        saved_ = ::dup(STDERR_FILENO);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (saved_ >= 0 && null >= 0) ::dup2(null, STDERR_FILENO);
        if (null >= 0) ::close(null);
    }
    ~StderrSilenced() {
        std::fflush(stderr);
        if (saved_ >= 0) {
            ::dup2(saved_, STDERR_FILENO);
            ::close(saved_);
        }
    }
    StderrSilenced(const StderrSilenced&) = delete;
    StderrSilenced& operator=(const StderrSilenced&) = delete;

private:
    int saved_ = -1;
};

}  // namespace ferolind::exchange
