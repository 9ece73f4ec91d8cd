// FIELD=VALUE pairs of the command line, written into the record being edited.
#pragma once

#include "data/dataset.h"
#include "data/errors.h"

#include <QStringList>

namespace ferolind {

// Each value in the German text formats, through the field's own conversion.
inline void applyFieldPairs(Dataset& d, const QStringList& pairs) {
    if (pairs.isEmpty()) throw DataError(QStringLiteral("Es fehlen Angaben der Form FELD=WERT."));
    for (const QString& p : pairs) {
        const int eq = p.indexOf('=');
        if (eq <= 0) throw DataError(QStringLiteral("»%1« hat nicht die Form FELD=WERT.").arg(p));
        d.setText(p.left(eq).trimmed(), p.mid(eq + 1));
    }
}

}  // namespace ferolind
