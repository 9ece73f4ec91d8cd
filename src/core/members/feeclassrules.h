// The fee class rules, attached to the shared fee class dataset so that they hold for
// every caller: a renamed class takes its members along, and a deleted class leaves
// its members without a class. Members name their class in the column "Betrag".
#pragma once

#include <QObject>
#include <QString>
#include <QVector>
#include <optional>

namespace ferolind {

class DataModule;
class Dataset;

class FeeClassRules : public QObject {
    Q_OBJECT
public:
    explicit FeeClassRules(DataModule& data);
    ~FeeClassRules() override;

    // The name the class being edited had when it went into edit mode; none while
    // no stored class is being edited (browsing, or a new class).
    const std::optional<QString>& previousName() const { return previous_; }

    // Gives every member whose class is exactly `from` the class `to` (empty: no
    // class), each saved through the member dataset so that the member rules apply.
    // Reaches all members, whatever filter the member dataset presents; the filter
    // and the current member are restored afterwards. An empty `from` changes nothing:
    // members without a class belong to no class.
    void moveMembers(const QString& from, const QString& to);

private:
    bool anyMemberOf(const QString& name) const;
    // Saves a member record being edited before the class changes reach the members,
    // so that a refused save stops the class change before anything was written.
    void settleMemberEdit(const QString& name);

    DataModule& data_;
    Dataset& classes_;
    std::optional<QString> previous_;
    std::optional<QString> renameFrom_;  // captured just before a store, used right after it
    QVector<int> handlers_;
};

}  // namespace ferolind
