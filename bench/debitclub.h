// The demo club the direct-debit benchmarks run over: FEROLIND_BENCH_MEMBERS members
// (30,000 unless set), about two in three paying by direct debit, opened with the rules,
// fees paid monthly.
#pragma once

#include "data/datamodule.h"
#include "democlub.h"
#include "fees/feepayments.h"
#include "session/session.h"

#include <QTemporaryDir>

namespace ferolind::demo {

struct DebitClub {
    QTemporaryDir dir;
    Size size;
    DataModule dm;
    Session session{dm};

    DebitClub() {
        size.members = qEnvironmentVariableIsSet("FEROLIND_BENCH_MEMBERS")
                           ? qEnvironmentVariableIntValue("FEROLIND_BENCH_MEMBERS")
                           : 30000;
        size.bookings = 100;
        createDemoClub(dir.path(), size);
        dm.openFolder(dir.path());
        session.loadAfterOpen();
        storePaymentPeriodKind(dm, int(PaymentPeriod::Monthly));
    }
};

}  // namespace ferolind::demo
