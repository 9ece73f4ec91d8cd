// The options of a command line: --name value options and --flag switches.
#pragma once

#include "data/errors.h"

#include <QHash>
#include <QStringList>

namespace ferolind {

struct CliOptions {
    QHash<QString, QString> values;
    QStringList flags;
};

// Anything not named in withValue or switches is refused, as is an option without value.
inline CliOptions parseCliOptions(const QStringList& args, const QStringList& withValue, const QStringList& switches) {
    CliOptions o;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (switches.contains(a)) {
            o.flags << a;
        } else if (withValue.contains(a)) {
            if (i + 1 >= args.size()) throw DataError(QStringLiteral("Zur Option %1 fehlt der Wert.").arg(a));
            o.values.insert(a, args[++i]);
        } else {
            throw DataError(QStringLiteral("Unbekannte Option »%1«.").arg(a));
        }
    }
    return o;
}

}  // namespace ferolind
