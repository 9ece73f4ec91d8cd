// C library number formatting in the "C" locale for the calling thread: libraries that
// write numbers with printf or read them with strtod (libxlsxwriter, libmdb) would
// otherwise write "12,5" under a German process locale, which no workbook reader takes.
#pragma once

#include <clocale>
#include <locale.h>

namespace ferolind::exchange {

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

}  // namespace ferolind::exchange
