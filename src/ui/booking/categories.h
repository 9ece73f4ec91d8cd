// "Buchungskonten": the income categories, the expense categories and the asset accounts,
// each a club-wide list kept by hand (the booking rules also append to them). The layout
// is categories.ui.
#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class TBuchungskontenF;
}

namespace ferolind {
class SettingsStore;
class Session;
}  // namespace ferolind

class QLineEdit;
class QListWidget;

// Object names: the lists, text fields and buttons of the three columns.
namespace ferolind::ui::categories::controls {
inline constexpr const char* kIncomeList = "ListBox1";
inline constexpr const char* kExpenseList = "ListBox2";
inline constexpr const char* kAccountList = "ListBox3";
inline constexpr const char* kIncomeText = "Edit1";
inline constexpr const char* kExpenseText = "Edit2";
inline constexpr const char* kAccountText = "Edit3";
inline constexpr const char* kAddIncome = "Button1";
inline constexpr const char* kAddExpense = "Button2";
inline constexpr const char* kAddAccount = "Button5";
inline constexpr const char* kDeleteIncome = "Button3";
inline constexpr const char* kDeleteExpense = "Button4";
inline constexpr const char* kDeleteAccount = "Button6";
inline constexpr const char* kClose = "BSchliessen";
}  // namespace ferolind::ui::categories::controls

class TBuchungskontenF : public QDialog {
    Q_OBJECT
public:
    TBuchungskontenF(ferolind::Session& session, QWidget* parent = nullptr);
    ~TBuchungskontenF() override;

    int exec() override;
    // Loads the three lists from the settings store.
    void prepareShow();

private:
    struct Column {
        QString entry;     // the settings entry of the list
        QString question;  // asked before an entry is deleted
        QListWidget* list;
        QLineEdit* text;
    };
    void add(const Column& c);
    void remove(const Column& c);
    void load(const Column& c);

    std::unique_ptr<Ui::TBuchungskontenF> ui_;
    ferolind::SettingsStore& settings_;
    QVector<Column> columns_;
};
