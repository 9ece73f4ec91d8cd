// What the desktop program and the command-line tool both do around their work: attach
// the record rules to the shared datasets, and the start-up and shutdown steps that
// are not about windows (the last member and booking numbers).
#pragma once

#include <QString>
#include <memory>

namespace ferolind {

class DataModule;
class MemberRules;
class FeeClassRules;
class BookingRules;

class Session {
public:
    explicit Session(DataModule& data);
    ~Session();

    DataModule& data() { return data_; }
    MemberRules& memberRules() { return *memberRules_; }
    FeeClassRules& feeClassRules() { return *feeClassRules_; }
    BookingRules& bookingRules() { return *bookingRules_; }

    // After the database was opened: the last numbers into memory.
    void loadAfterOpen();
    // At shutdown: the last numbers back into the settings store.
    void saveAtShutdown();
    // The re-read interval in seconds, club-wide entry "Refresh"; a club without one (or
    // with 0) gets 60, written back. 0 when no database is open.
    int refreshSeconds();

private:
    DataModule& data_;
    std::unique_ptr<MemberRules> memberRules_;
    std::unique_ptr<FeeClassRules> feeClassRules_;
    std::unique_ptr<BookingRules> bookingRules_;
};

}  // namespace ferolind
