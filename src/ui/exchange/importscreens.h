// The member import screens: "Daten importieren" (TImportNeuF: delimited text with the
// field mapping; created for each use) and the import assistant (TWizzardF: workbooks,
// database files and text; its mapping lives as long as the program). Both show the
// source, let the user pair member fields with source columns and import through the
// core (exchange::importMembers). Layouts: importscreen.ui and wizardscreen.ui.
#pragma once

#include "exchange/memberimport.h"

#include <QDialog>
#include <functional>
#include <memory>

class QTableWidget;

namespace Ui {
class TImportNeuF;
class TWizzardF;
}  // namespace Ui

namespace ferolind {
class Session;
}

namespace ferolind::ui {
class RecordsModel;

// The mapping grid of both screens: one row per member field with its title, the
// assigned source column's name and its first value.
class MappingGrid {
public:
    MappingGrid(QTableWidget* grid, QVector<exchange::ImportField> fields);
    const QVector<exchange::ImportField>& fields() const { return fields_; }
    const exchange::ImportMapping& mapping() const { return mapping_; }
    void resetMapping();
    // Assigns source column `source` to the field of `row` (replacing an earlier one).
    void assign(int row, int source, const QString& name, const QString& sample);
    void remove(int row);

private:
    QTableWidget* grid_;
    QVector<exchange::ImportField> fields_;
    exchange::ImportMapping mapping_;
};
}  // namespace ferolind::ui

class TImportNeuF : public QDialog {
    Q_OBJECT
public:
    TImportNeuF(ferolind::Session& session, const ferolind::FreeFieldLabels& labels, QWidget* parent = nullptr);
    ~TImportNeuF() override;

    // The open dialog: the chosen path, or a null text (tests replace it).
    std::function<QString(QWidget* parent)> chooseSource;
    // Reads the source with the settings shown (LoadImportPreview); errors go to the error box.
    void loadPreview();
    const ferolind::ui::MappingGrid& mapping() const { return *mapping_; }

private:
    void next();
    void assign();
    void runImport();

    std::unique_ptr<Ui::TImportNeuF> ui_;
    ferolind::Session& session_;
    ferolind::ui::RecordsModel* preview_;
    std::unique_ptr<ferolind::ui::MappingGrid> mapping_;
};

class TWizzardF : public QDialog {
    Q_OBJECT
public:
    explicit TWizzardF(ferolind::Session& session, QWidget* parent = nullptr);
    ~TWizzardF() override;

    std::function<QString(QWidget* parent)> chooseSource;
    // Reads the source as the path, table choice, separator and title flag say.
    void loadSource();
    const ferolind::ui::MappingGrid& mapping() const { return *mapping_; }

protected:
    void showEvent(QShowEvent* e) override;

private:
    void next();
    void assign();
    void runImport();

    std::unique_ptr<Ui::TWizzardF> ui_;
    ferolind::Session& session_;
    ferolind::ui::RecordsModel* preview_;
    ferolind::ui::RecordsModel* copy_;
    std::unique_ptr<ferolind::ui::MappingGrid> mapping_;
    bool title_ = false;  // the source's first record holds its column names
};
