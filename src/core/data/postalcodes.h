// The shipped table of German postal codes and their towns.
#pragma once

#include "field.h"

#include <QStringList>

namespace ferolind {

class Dataset;

// Rows (PLZ, Ort) of the shipped table, ascending by PLZ, towns of a code in their order.
QVector<Row> shippedPostalCodes();

// The towns of a postal code, in table order: filters the postal-code dataset on PLZ
// (the restriction stays until the next lookup) and reads every Ort.
QStringList townsForPostalCode(Dataset& postalCodes, const QString& plz);

// Writes the postal-code table as "plz.xml" into folder unless that file exists.
void writePostalCodesFileOnce(Dataset& postalCodes, const QString& folder);

}  // namespace ferolind
