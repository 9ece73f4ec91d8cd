#include "datamodule.h"

#include "connection.h"
#include "database.h"
#include "errors.h"
#include "paths.h"
#include "postalcodes.h"
#include "schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <optional>
#include <sqlite3.h>
#include <thread>

namespace ferolind {

namespace {
const QString kChooseAnotherFolder =
    QStringLiteral("Bitte wählen Sie ein anderes Verzeichnis aus, um die Datenbank zu öffnen");
}  // namespace

DataModule::DataModule(QObject* parent)
    : QObject(parent),
      members_(QStringLiteral("ClientDataSet1"), membersTable(), memberDatasetFields()),
      bookings_(QStringLiteral("ClientDataSet5"), bookingsTable(), bookingDatasetFields()),
      feePayments_(QStringLiteral("ClientDataBetrag2"), feePaymentsTable(), feePaymentsTable().columns),
      blob_(QStringLiteral("ClientBlob"), settingsTable(), settingsTable().columns),
      feeClasses_(QStringLiteral("DataSetBeitragsklassen"), feeClassesTable(), feeClassesTable().columns),
      postalCodes_(QStringLiteral("ClientDataSet4"), postalCodeFields()),
      settings_(blob_) {
    // The postal codes are there from the start, with or without a database.
    postalCodes_.setTitle(QStringLiteral("Postleitzahlen"));
    postalCodes_.setRows(shippedPostalCodes());
}

DataModule::~DataModule() = default;

QVector<Dataset*> DataModule::databaseDatasets() {
    return {&members_, &bookings_, &feePayments_, &blob_, &feeClasses_};
}

// One connection for all datasets of the folder: a store and its rules' writes in other
// tables commit together.
void DataModule::connectTo(const QString& folder) {
    connection_ = std::make_shared<Connection>(folder, QStringLiteral("club"));
    staleTables_.clear();
    staleRows_.clear();
    for (Dataset* d : databaseDatasets()) d->setConnection(connection_);
}

bool DataModule::openAtStart() {
    connected_ = false;
    const QString folder = RegistryGetString(QStringLiteral("DBPfad"));
    if (folder.isEmpty()) return false;
    try {
        connectTo(folder);
        openDatabaseDatasets();
        connected_ = true;
    } catch (const DataError&) {
        // No message: the creation/selection screen follows.
    }
    return connected_;
}

void DataModule::openFolder(const QString& folder) {
    for (Dataset* d : databaseDatasets()) d->close();
    connected_ = false;
    connectTo(folder);
    openDatabaseDatasets();
    connected_ = true;
}

// Opens every dataset of the club connection, in the order the rules expect. Meanwhile the
// fee payments and fee classes are read on a read-only connection of their own on another
// thread, so that two cores read the file. What that read cannot do is read again on the
// club connection, so that a failure says what it always says.
void DataModule::openDatabaseDatasets() {
    const QByteArray file = QFile::encodeName(databaseFile(connection_->folder()));
    Dataset* const aside[] = {&feePayments_, &feeClasses_};
    std::optional<ColumnStore> readAside[2];
    std::thread reader([&] {
        sqlite3* handle = nullptr;
        if (sqlite3_open_v2(file.constData(), &handle, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr) ==
            SQLITE_OK) {
            sqlite3_busy_timeout(handle, 5000);  // as long as the club connection waits for a writer
            for (int i = 0; i < 2; ++i) {
                try {
                    readAside[i] = aside[i]->readRows(handle);
                } catch (...) {
                    readAside[i].reset();
                }
            }
        }
        sqlite3_close_v2(handle);
    });
    // Whatever happens here, the reader is waited for before its results go out of scope.
    struct Joined {
        std::thread& thread;
        ~Joined() {
            if (thread.joinable()) thread.join();
        }
    } joined{reader};
    members_.open();
    bookings_.open();
    reader.join();
    const auto openAside = [&](int i) {
        if (readAside[i])
            aside[i]->open(std::move(*readAside[i]));
        else
            aside[i]->open();
    };
    openAside(0);
    blob_.open();
    openAside(1);
}

void DataModule::createIn(const QString& folder) {
    for (Dataset* d : {&members_, &bookings_, &feePayments_, &blob_}) d->close();
    connected_ = false;
    createDatabase(folder);  // refuses an existing file, a missing or read-only folder
    RegistrySetString(QStringLiteral("DBPfad"), QDir::cleanPath(folder));
    feeClasses_.close();
    connectTo(folder);
    for (Dataset* d : {&blob_, &members_, &bookings_, &feePayments_, &feeClasses_}) d->open();
    connected_ = true;
}

void DataModule::openExisting(const QString& folder) {
    members_.close();
    try {
        auto connection = std::make_shared<Connection>(folder, QStringLiteral("club"));
        members_.setConnection(connection);
        members_.open();
        connection_ = connection;
    } catch (const DataError& e) {
        if (QFileInfo(databaseFile(folder)).isFile())  // there, but damaged or incomplete: said so
            throw DataError(e.message() + QLatin1Char('\n') + kChooseAnotherFolder);
        throw DataError(QStringLiteral("Die Datenbankdatei wurde im Verzeichnis %1 nicht gefunden.\n")
                            .arg(QDir::toNativeSeparators(folder)) +
                        kChooseAnotherFolder);
    }
    try {
        for (Dataset* d : {&bookings_, &blob_, &feePayments_, &feeClasses_}) {
            d->close();
            d->setConnection(connection_);
            d->open();
        }
    } catch (const DataError& e) {
        // An incomplete database is not half opened: the screen stays on the old state.
        for (Dataset* d : databaseDatasets()) d->close();
        throw DataError(e.message() + QLatin1Char('\n') + kChooseAnotherFolder);
    }
    RegistrySetString(QStringLiteral("DBPfad"), QDir::cleanPath(folder));
    connected_ = true;
}

void DataModule::DisconnectDB() {
    for (Dataset* d : {&members_, &postalCodes_, &bookings_, &feePayments_}) d->disableControls();
}

void DataModule::ConnectDB() {
    for (Dataset* d : {&members_, &postalCodes_, &bookings_, &feePayments_}) d->enableControls();
}

void DataModule::loadLastNumbers() {
    lastBookingNumber = settings_.DbSettingGetInt(QStringLiteral("LastBuchungsID"));
    lastMemberNumber = settings_.DbSettingGetInt(QStringLiteral("LastMitgliedsID"));
}

// Another workstation may have handed out higher numbers meanwhile: the entries are only
// ever raised.
void DataModule::saveLastNumbers() {
    if (!blob_.isOpen()) return;
    Transaction tx(connection_.get());
    lastBookingNumber = settings_.DbSettingRaiseInt(QStringLiteral("LastBuchungsID"), lastBookingNumber);
    lastMemberNumber = settings_.DbSettingRaiseInt(QStringLiteral("LastMitgliedsID"), lastMemberNumber);
    tx.commit();
}

void DataModule::refreshAll() {
    // Not inside a bulk operation (its progress lets the timer run): the re-read would
    // put the rows of the open transaction in place of the ones it is changing.
    if (!connection_ || connection_->depth() > 0) return;
    // Only the tables another workstation changed; one being edited waits for a later tick.
    // Of a table whose changes are all listed by row, only those rows are read.
    const Connection::Changes changes = connection_->changesByOthers();
    for (Dataset* d : databaseDatasets()) {
        const QString& table = d->table()->name;
        if (!changes.unknown && !changes.tables.contains(table)) continue;
        const bool wholeDue = staleTables_.contains(table) && !staleRows_.contains(table);
        staleTables_.insert(table);
        const auto rows = changes.rows.constFind(table);
        if (changes.unknown || wholeDue || rows == changes.rows.constEnd())
            staleRows_.remove(table);
        else
            staleRows_[table].unite(*rows);
    }
    for (Dataset* d : databaseDatasets()) {
        const QString& table = d->table()->name;
        if (!d->isOpen() || d->isEditing() || !staleTables_.contains(table)) continue;
        if (staleRows_.contains(table))
            d->refreshRows(staleRows_.value(table));
        else
            d->refresh();
        staleTables_.remove(table);
        staleRows_.remove(table);
    }
}

void DataModule::closePostalCodes() {
    try {
        writePostalCodesFileOnce(postalCodes_, applicationDataFolder());
    } catch (const DataError&) {
        // The copy is a courtesy for other programs; the table itself is shipped.
    }
    postalCodes_.close();
}

}  // namespace ferolind
