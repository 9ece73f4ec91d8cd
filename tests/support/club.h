// A club database for a test: a fresh db.mdb in a temporary folder, the data module
// opened on it and the record rules attached, as the program runs them.
#pragma once

#include "data/database.h"
#include "data/datamodule.h"
#include "data/errors.h"
#include "data/settings.h"
#include "members/memberrules.h"
#include "session/session.h"
#include "testsupport.h"

#include <QSqlQuery>
#include <QTemporaryDir>
#include <memory>

namespace ferolind::test {

// Runs statements on the file past every dataset (what another program could do);
// returns the first value of the last one's first row.
inline QVariant rawSql(const QString& folder, const QStringList& statements) {
    QSqlDatabase db = openConnection(folder, QStringLiteral("probe"));
    QVariant v;
    {
        QSqlQuery q(db);
        for (const QString& s : statements) {
            if (!q.exec(s)) throw DataError(QStringLiteral("Testanweisung fehlgeschlagen: ") + s);
            v = q.next() ? q.value(0) : QVariant();
        }
    }
    closeConnection(db);
    return v;
}

struct Club {
    QTemporaryDir dir;
    std::unique_ptr<DataModule> data;
    std::unique_ptr<Session> session;
    QStringList notices;  // what the rules told the user

    // today: the day the member rules take as today (invalid: the real today).
    explicit Club(QDate today = {}) {
        clearUserSettings();
        createDatabase(dir.path());
        RegistrySetString(QStringLiteral("DBPfad"), dir.path());
        data = std::make_unique<DataModule>();
        data->openAtStart();
        session = std::make_unique<Session>(*data);
        if (today.isValid()) session->memberRules().today = [today] { return today; };
        QObject::connect(&session->memberRules(), &MemberRules::notice, [this](const QString& m) { notices << m; });
        session->loadAfterOpen();
    }
    QString folder() const { return dir.path(); }
    MemberRules& rules() { return session->memberRules(); }
    Dataset& members() { return data->members(); }

    // Stores a member from field/text pairs through the shared dataset.
    void addMember(std::initializer_list<std::pair<const char*, QString>> fields) {
        Dataset& m = data->members();
        m.insert();
        for (const auto& [f, v] : fields) m.setText(QString::fromLatin1(f), v);
        m.post();
    }
    void addPayment(int member, int year, int month = 0, int quarter = 0) {
        Dataset& p = data->feePayments();
        p.insert();
        p.setValue(QStringLiteral("Mitgliedsnummer"), member);
        p.setValue(QStringLiteral("Jahr"), year);
        p.setValue(QStringLiteral("Monat"), month);
        p.setValue(QStringLiteral("Quartal"), quarter);
        p.post();
        rules().refreshComputedValues();
    }
};

}  // namespace ferolind::test
