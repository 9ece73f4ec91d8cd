#include "session.h"

#include "booking/bookingrules.h"
#include "data/datamodule.h"
#include "members/feeclassrules.h"
#include "members/memberrules.h"

namespace ferolind {

Session::Session(DataModule& data)
    : data_(data),
      memberRules_(std::make_unique<MemberRules>(data)),
      feeClassRules_(std::make_unique<FeeClassRules>(data)),
      bookingRules_(std::make_unique<BookingRules>(data)) {}

Session::~Session() = default;

void Session::loadAfterOpen() {
    data_.loadLastNumbers();
    // The computed member values see the fee payments opened after the members.
    memberRules_->refreshComputedValues();
}

void Session::saveAtShutdown() { data_.saveLastNumbers(); }

int Session::refreshSeconds() {
    SettingsStore& s = data_.settings();
    if (!s.isOpen()) return 0;
    if (s.DbSettingGetInt(QStringLiteral("Refresh")) == 0) s.DbSettingSetInt(QStringLiteral("Refresh"), 60);
    return s.DbSettingGetInt(QStringLiteral("Refresh"));
}

}  // namespace ferolind
