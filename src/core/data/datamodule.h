// The data module: the shared, long-lived datasets of the program (one per table plus
// the in-memory postal codes), the club-wide settings on them, and opening, creating
// and relocating the database. The desktop program and the command-line tool share it.
#pragma once

#include "dataset.h"
#include "settings.h"

#include <QObject>
#include <QSet>

namespace ferolind {

class DataModule : public QObject {
    Q_OBJECT
public:
    explicit DataModule(QObject* parent = nullptr);
    ~DataModule() override;

    Dataset& members() { return members_; }          // ClientDataSet1
    Dataset& bookings() { return bookings_; }        // ClientDataSet5
    Dataset& feePayments() { return feePayments_; }  // ClientDataBetrag2
    Dataset& settingsEntries() { return blob_; }     // ClientBlob
    Dataset& feeClasses() { return feeClasses_; }    // DataSetBeitragsklassen
    Dataset& postalCodes() { return postalCodes_; }  // ClientDataSet4
    SettingsStore& settings() { return settings_; }

    // Opens the database of the per-user folder "DBPfad": members, bookings, fee payments,
    // settings, fee classes in this order; stops at the first failure (those opened
    // stay open). Returns the connected flag. No message: a failure just means false.
    bool openAtStart();
    // The same for a given folder (the command-line tool's --db); throws on failure.
    void openFolder(const QString& folder);
    bool connected() const { return connected_; }
    // The connection all database datasets share (null before the first open).
    Connection* connection() const { return connection_.get(); }

    // "Erstellen": closes the datasets, creates db.mdb with its tables in folder,
    // remembers the folder ("DBPfad") and opens everything. Throws DataError; on a
    // refused creation "DBPfad" keeps its value and the datasets stay closed.
    void createIn(const QString& folder);
    // "Öffnen": opens the member dataset on folder first; when that fails, throws
    // DataError with the not-found message and changes nothing else.
    void openExisting(const QString& folder);

    // Nested suspension of the display updates of members, postal codes, bookings and
    // fee payments (the settings dataset is not affected).
    void DisconnectDB();
    void ConnectDB();

    // The highest numbers this workstation knows of (loaded from and raised back into the
    // club-wide entries "LastMitgliedsID" and "LastBuchungsID"; a store takes the next
    // number from the file itself, so these only propose).
    int lastMemberNumber = 0;
    int lastBookingNumber = 0;
    void loadLastNumbers();
    void saveLastNumbers();

    // The periodic re-read of the shared datasets whose tables another workstation changed
    // (one being edited is re-read at a later call); each keeps its current record.
    // Nothing when nothing changed, nor while a transaction is open (a bulk operation).
    void refreshAll();

    // Closes the postal-code table, writing "plz.xml" to the application folder once.
    void closePostalCodes();

private:
    QVector<Dataset*> databaseDatasets();
    void connectTo(const QString& folder);
    void openDatabaseDatasets();
    std::shared_ptr<Connection> connection_;
    Dataset members_, bookings_, feePayments_, blob_, feeClasses_, postalCodes_;
    SettingsStore settings_;
    bool connected_ = false;
    QSet<QString> staleTables_;  // changed by others, not re-read yet
    // Of those, the ones of which only these rows changed (the others are read whole).
    QHash<QString, QSet<qint64>> staleRows_;
};

}  // namespace ferolind
