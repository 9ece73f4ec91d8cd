#include "feeclassrules.h"

#include "data/datamodule.h"
#include "data/errors.h"
#include "data/progress.h"

#include <utility>

namespace ferolind {

namespace {
const QString kName = QStringLiteral("Name");
const QString kClass = QStringLiteral("Betrag");
const QString kKey = QStringLiteral("DB-ID");
}  // namespace

FeeClassRules::FeeClassRules(DataModule& data) : data_(data), classes_(data.feeClasses()) {
    using E = Dataset::Event;
    handlers_ << classes_.on(E::BeforeEdit, [this](Dataset& d) {
        previous_ = d.value(kName).toString();
        renameFrom_.reset();
    });
    // A new class has no previous name: saving it changes no member.
    handlers_ << classes_.on(E::AfterInsert, [this](Dataset&) {
        previous_.reset();
        renameFrom_.reset();
    });
    handlers_ << classes_.onBeforeStore([this](Dataset& d) {
        renameFrom_.reset();
        if (d.state() == Dataset::State::Edit && previous_ && !previous_->isEmpty()) {
            settleMemberEdit(*previous_);
            renameFrom_ = previous_;
        }
        return true;
    });
    handlers_ << classes_.on(E::AfterStore, [this](Dataset& d) {
        const std::optional<QString> from = std::exchange(renameFrom_, std::nullopt);
        previous_.reset();
        if (from) moveMembers(*from, d.value(kName).toString());
    });
    handlers_ << classes_.on(E::BeforeDelete,
                             [this](Dataset& d) { moveMembers(d.value(kName).toString(), QString()); });
    // Leaving edit mode without a store (cancel, re-read) forgets the previous name; a
    // store has captured it before the state changes.
    connect(&classes_, &Dataset::stateChanged, this, [this] {
        if (!classes_.isEditing()) previous_.reset();
    });
}

FeeClassRules::~FeeClassRules() {
    for (int id : handlers_) classes_.off(id);
}

bool FeeClassRules::anyMemberOf(const QString& name) const {
    const Dataset& m = data_.members();
    if (!m.isOpen() || name.isEmpty()) return false;
    const int f = m.field(kClass);
    for (int i = 0; i < m.totalCount(); ++i) {
        const QVariant& v = m.recordAt(i)[f];
        if (!v.isNull() && v.toString() == name) return true;
    }
    return false;
}

void FeeClassRules::settleMemberEdit(const QString& name) {
    Dataset& m = data_.members();
    if (!m.isOpen() || !m.isEditing() || name.isEmpty()) return;
    const bool editedIsMember = m.value(kClass).toString() == name;
    if (!editedIsMember && !anyMemberOf(name)) return;  // the members stay untouched
    m.checkBrowseMode();
    if (m.isEditing())
        throw DataError(
            QStringLiteral("Der Mitgliedsdatensatz in Bearbeitung konnte nicht gespeichert werden; "
                           "die Beitragsklasse wurde nicht geändert."));
}

void FeeClassRules::moveMembers(const QString& from, const QString& to) {
    if (from.isEmpty()) return;
    Dataset& m = data_.members();
    if (!m.isOpen()) return;
    settleMemberEdit(from);

    const int fKey = m.field(kKey), fClass = m.field(kClass);
    QVariantList keys;
    for (int i = 0; i < m.totalCount(); ++i) {
        const RowRef r = m.recordAt(i);
        if (!r[fClass].isNull() && r[fClass].toString() == from) keys << r[fKey];
    }
    if (keys.isEmpty()) return;

    data_.DisconnectDB();
    const bool wasFiltered = m.filtered();
    const QVariant currentKey = m.position() >= 0 ? m.value(fKey) : QVariant();
    // Whatever happens, the member dataset presents what it presented before.
    struct Restore {
        FeeClassRules* self;
        Dataset& m;
        bool filtered;
        QVariant key;
        ~Restore() {
            try {
                if (m.isEditing()) m.cancel();  // a member whose store failed stays as stored
                if (filtered) m.setFiltered(true);
                if (!key.isNull()) m.locate(kKey, {key});
            } catch (...) {
            }
            self->data_.ConnectDB();
        }
    } restore{this, m, wasFiltered, currentKey};

    if (wasFiltered) m.clearFilter();
    const QVariant newClass = to.isEmpty() ? QVariant() : QVariant(to);
    Progress progress(to.isEmpty() ? QStringLiteral("Die Beitragsklasse »%1« wird bei den Mitgliedern entfernt").arg(from)
                                   : QStringLiteral("Die Mitglieder der Beitragsklasse »%1« erhalten die Klasse »%2«")
                                         .arg(from, to),
                      int(keys.size()));
    int done = 0;
    for (const QVariant& key : keys) {
        progress.step(done++);
        if (!m.locate(kKey, {key})) continue;
        m.edit();
        m.setValue(fClass, newClass);
        m.post();
    }
}

}  // namespace ferolind
