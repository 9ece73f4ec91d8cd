// The filter language:
//
//   filter     := [ or-expr ]
//   or-expr    := and-expr { OR and-expr }
//   and-expr   := factor { AND factor }
//   factor     := "(" or-expr ")" | comparison
//   comparison := operand ( "=" | "<>" | "<" | ">" | "<=" | ">=" ) operand
//   operand    := primary { ( "-" | "+" ) number }
//   primary    := field | YEAR "(" field ")" | MONTH "(" field ")" | DAY "(" field ")"
//               | [ "-" ] number | 'text' | TRUE | FALSE | NULL
//   field      := name of letters, digits and "_" | "[" any characters but "]" "]"
//
// Keywords ignore letter case; blanks between tokens are optional. A quote inside a
// text is written twice ('O''Brien'). Every comparison is resolved at compile time
// to a field index, a value category and a constant of the field's own type, so
// matching a row does no parsing and no allocation.

#include "filter.h"

#include "errors.h"
#include "values.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <limits>
#include <optional>
#include <unordered_set>
#include <utility>
#include <vector>

namespace ferolind {

namespace {

enum class Op { Eq, Ne, Lt, Gt, Le, Ge };
enum class Category { Text, Int, Money, Date, Bool };
enum class DatePart { None, Year, Month, Day };

constexpr qint64 kMaxInt64 = std::numeric_limits<qint64>::max();
constexpr qint64 kMinInt64 = std::numeric_limits<qint64>::min();
constexpr int kMaxNesting = 100;  // parentheses; keeps the recursion shallow

std::optional<qint64> checkedAdd(qint64 a, qint64 b) {
    if ((b > 0 && a > kMaxInt64 - b) || (b < 0 && a < kMinInt64 - b)) return std::nullopt;
    return a + b;
}

std::optional<qint64> checkedMul(qint64 a, qint64 factor)  // factor > 0
{
    if (a > kMaxInt64 / factor || a < kMinInt64 / factor) return std::nullopt;
    return a * factor;
}

// Row values come from the table and are not range-checked here; clamping keeps
// the arithmetic defined for absurd values.
qint64 saturatingSub(qint64 a, qint64 b) {
    if (b > 0 && a < kMinInt64 + b) return kMinInt64;
    if (b < 0 && a > kMaxInt64 + b) return kMaxInt64;
    return a - b;
}

qint64 saturatingMoney(qint64 a) { return checkedMul(a, kMoneyUnit).value_or(a < 0 ? kMinInt64 : kMaxInt64); }

// A date value in comparable form: Julian day and milliseconds after midnight.
struct Moment {
    qint64 day = 0;
    int msecs = 0;
};

int threeWay(qint64 a, qint64 b) { return a < b ? -1 : (a > b ? 1 : 0); }

int threeWay(const Moment& a, const Moment& b) {
    return a.day != b.day ? threeWay(a.day, b.day) : threeWay(a.msecs, b.msecs);
}

bool holds(Op op, int c) {
    switch (op) {
        case Op::Eq: return c == 0;
        case Op::Ne: return c != 0;
        case Op::Lt: return c < 0;
        case Op::Gt: return c > 0;
        case Op::Le: return c <= 0;
        case Op::Ge: return c >= 0;
    }
    return false;
}

// The operator that keeps the meaning when both sides are swapped.
Op mirrored(Op op) {
    switch (op) {
        case Op::Lt: return Op::Gt;
        case Op::Gt: return Op::Lt;
        case Op::Le: return Op::Ge;
        case Op::Ge: return Op::Le;
        default: return op;
    }
}

// ------------------------------------------------------------ reading row values

bool isAbsent(const QVariant& v) { return !v.isValid() || v.isNull(); }

// The text of a cell, or nullptr when it has none. `holder` keeps a converted
// value alive for cells that do not hold a QString.
const QString* readText(const QVariant& v, QString& holder) {
    // A text cell first, without the general test for no value: a QString cell without
    // one holds an empty text.
    if (v.typeId() == QMetaType::QString) {
        const QString* s = static_cast<const QString*>(v.constData());
        return s->isEmpty() ? nullptr : s;
    }
    if (isAbsent(v)) return nullptr;
    const QString* s = &holder;
    if (v.typeId() == QMetaType::QString)
        s = static_cast<const QString*>(v.constData());
    else
        holder = v.toString();
    return s->isEmpty() ? nullptr : s;
}

bool readInteger(const QVariant& v, qint64& out) {
    if (isAbsent(v)) return false;
    switch (v.typeId()) {
        case QMetaType::Int: out = *static_cast<const int*>(v.constData()); return true;
        case QMetaType::LongLong: out = *static_cast<const qlonglong*>(v.constData()); return true;
        default: {
            bool ok = false;
            out = v.toLongLong(&ok);
            return ok;
        }
    }
}

bool readMoment(const QVariant& v, Moment& out) {
    if (isAbsent(v)) return false;
    if (v.typeId() == QMetaType::QDate) {
        const QDate& d = *static_cast<const QDate*>(v.constData());
        out = {d.toJulianDay(), 0};
        return d.isValid();
    }
    if (v.typeId() == QMetaType::QDateTime) {
        const QDateTime& dt = *static_cast<const QDateTime*>(v.constData());
        if (!dt.isValid()) return false;
        out = {dt.date().toJulianDay(), dt.time().msecsSinceStartOfDay()};
        return true;
    }
    return false;
}

bool readDate(const QVariant& v, QDate& out) {
    if (isAbsent(v)) return false;
    if (v.typeId() == QMetaType::QDate)
        out = *static_cast<const QDate*>(v.constData());
    else if (v.typeId() == QMetaType::QDateTime)
        out = static_cast<const QDateTime*>(v.constData())->date();
    else
        return false;
    return out.isValid();
}

bool readBool(const QVariant& v, bool& out) {
    if (isAbsent(v)) return false;
    out = v.typeId() == QMetaType::Bool ? *static_cast<const bool*>(v.constData()) : v.toBool();
    return true;
}

bool hasValue(const QVariant& v) {
    if (isAbsent(v)) return false;
    switch (v.typeId()) {
        case QMetaType::QString: return !static_cast<const QString*>(v.constData())->isEmpty();
        case QMetaType::QDate: return static_cast<const QDate*>(v.constData())->isValid();
        case QMetaType::QDateTime: return static_cast<const QDateTime*>(v.constData())->isValid();
        default: return true;
    }
}

// ------------------------------------------------------------ compiled comparisons

// One side of a comparison that reads the row.
struct Operand {
    int field = -1;
    DatePart part = DatePart::None;
    bool integerAsMoney = false;  // an integer compared with amounts counts as euros
    qint64 offset = 0;            // subtracted from the value, in the comparison's unit
};

// A cell of the row; `present` is false when the row has no such field.
struct Cell {
    QVariant value;
    bool present = false;
};

Cell cellOf(const RowRef& row, int field) {
    if (field < 0 || field >= row.size()) return {};
    return {row.value(field), true};
}

// The text of a cell, empty when it has none: a text cell's own characters without a
// copy, any other value converted into `holder`.
QStringView textOf(const RowRef& row, int field, QString& holder) {
    QStringView view;
    if (row.text(field, view)) return view;
    if (field < 0 || field >= row.size()) return {};
    const QVariant v = row.value(field);
    const QString* s = readText(v, holder);
    if (!s) return {};
    if (s != &holder) holder = *s;
    return holder;
}

bool operandHasValue(const Operand& o, const RowRef& row) {
    if (o.part == DatePart::None) {
        QStringView view;
        if (row.text(o.field, view)) return !view.isEmpty();
    }
    const Cell c = cellOf(row, o.field);
    if (!c.present) return false;
    if (o.part == DatePart::None) return hasValue(c.value);
    QDate d;
    return readDate(c.value, d);
}

// Value of an Int or Money operand.
bool readNumber(const Operand& o, const RowRef& row, qint64& out) {
    const Cell c = cellOf(row, o.field);
    if (!c.present) return false;
    qint64 n = 0;
    if (o.part != DatePart::None) {
        QDate d;
        if (!readDate(c.value, d)) return false;
        n = o.part == DatePart::Year ? d.year() : o.part == DatePart::Month ? d.month() : d.day();
    } else if (!readInteger(c.value, n)) {
        return false;
    }
    if (o.integerAsMoney) n = saturatingMoney(n);
    out = saturatingSub(n, o.offset);
    return true;
}

enum class Test { IsNull, HasValue, StartsWith, NotStartsWith, WithConstant, WithOperand };

struct Comparison {
    Test test = Test::WithConstant;
    Category category = Category::Text;
    Op op = Op::Eq;
    Operand left;
    Operand right;      // WithOperand only
    QString text;       // Text constant, or the prefix before a trailing "*"
    qint64 number = 0;  // Int constant, or Money in 1/10000 euro
    Moment moment;
    bool truth = false;
};

bool compareWithConstant(const Comparison& c, const RowRef& row) {
    switch (c.category) {
        case Category::Text: {
            QString holder;
            const QStringView s = textOf(row, c.left.field, holder);
            if (s.isEmpty()) return false;
            // Texts equal ignoring case have the same length (case is folded letter by letter).
            if ((c.op == Op::Eq || c.op == Op::Ne) && s.size() != c.text.size()) return c.op == Op::Ne;
            return holds(c.op, s.compare(QStringView(c.text), Qt::CaseInsensitive));
        }
        case Category::Int:
        case Category::Money: {
            qint64 n = 0;
            return readNumber(c.left, row, n) && holds(c.op, threeWay(n, c.number));
        }
        case Category::Date: {
            const Cell v = cellOf(row, c.left.field);
            Moment m;
            return v.present && readMoment(v.value, m) && holds(c.op, threeWay(m, c.moment));
        }
        case Category::Bool: {
            const Cell v = cellOf(row, c.left.field);
            bool b = false;
            return v.present && readBool(v.value, b) && holds(c.op, b == c.truth ? 0 : 1);
        }
    }
    return false;
}

bool compareOperands(const Comparison& c, const RowRef& row) {
    if (c.category == Category::Text) {
        QString lh, rh;
        const QStringView l = textOf(row, c.left.field, lh);
        const QStringView r = textOf(row, c.right.field, rh);
        return !l.isEmpty() && !r.isEmpty() && holds(c.op, l.compare(r, Qt::CaseInsensitive));
    }
    const Cell lc = cellOf(row, c.left.field);
    const Cell rc = cellOf(row, c.right.field);
    if (!lc.present || !rc.present) return false;
    const QVariant* lv = &lc.value;
    const QVariant* rv = &rc.value;
    switch (c.category) {
        case Category::Text: break;
        case Category::Int:
        case Category::Money: {
            qint64 l = 0, r = 0;
            return readNumber(c.left, row, l) && readNumber(c.right, row, r) && holds(c.op, threeWay(l, r));
        }
        case Category::Date: {
            Moment l, r;
            return readMoment(*lv, l) && readMoment(*rv, r) && holds(c.op, threeWay(l, r));
        }
        case Category::Bool: {
            bool l = false, r = false;
            return readBool(*lv, l) && readBool(*rv, r) && holds(c.op, l == r ? 0 : 1);
        }
    }
    return false;
}

bool evaluate(const Comparison& c, const RowRef& row) {
    switch (c.test) {
        case Test::IsNull: return !operandHasValue(c.left, row);
        case Test::HasValue: return operandHasValue(c.left, row);
        case Test::StartsWith:
        case Test::NotStartsWith: {
            QString holder;
            const QStringView s = textOf(row, c.left.field, holder);
            if (s.isEmpty()) return false;
            const bool starts = s.startsWith(QStringView(c.text), Qt::CaseInsensitive);
            return starts == (c.test == Test::StartsWith);
        }
        case Test::WithConstant: return compareWithConstant(c, row);
        case Test::WithOperand: return compareOperands(c, row);
    }
    return false;
}

}  // namespace

struct Filter::Node {
    // InSet: the comparison's operand is one of `values` (an or-chain of "=" on one
    // operand), or none of them with `negated` (an and-chain of "<>"); one hash lookup
    // instead of a test per term.
    enum class Kind { And, Or, Compare, InSet };
    Kind kind = Kind::Compare;
    std::vector<Node> children;  // And, Or
    Comparison comparison;       // Compare; InSet: its left operand
    std::unordered_set<qint64> values;
    bool negated = false;
};

namespace {

bool evaluate(const Filter::Node& node, const RowRef& row) {
    switch (node.kind) {
        case Filter::Node::Kind::And:
            for (const Filter::Node& child : node.children)
                if (!evaluate(child, row)) return false;
            return true;
        case Filter::Node::Kind::Or:
            for (const Filter::Node& child : node.children)
                if (evaluate(child, row)) return true;
            return false;
        case Filter::Node::Kind::Compare: return evaluate(node.comparison, row);
        case Filter::Node::Kind::InSet: {
            qint64 n = 0;
            return readNumber(node.comparison.left, row, n) && node.values.contains(n) != node.negated;
        }
    }
    return false;
}

// A date constant of a filter, read like a row value (a date without time is midnight).
// 29 February of a year that is no leap year (limits computed from a 29 February name it)
// is the end of 28 February, the moment between the two days that exist: "<" and "<="
// then take 28 February and earlier, ">" and ">=" 1 March and later, "=" no day. Other
// days that do not exist stay refused.
bool readFilterMoment(const QString& text, Moment& out) {
    const QVariant v = parseDate(text);
    if (!v.isNull()) return readMoment(v, out);
    const QStringList parts = text.trimmed().split(QLatin1Char('.'));
    if (parts.size() != 3) return false;
    bool okDay = false, okMonth = false, okYear = false;
    const int day = parts[0].toInt(&okDay), month = parts[1].toInt(&okMonth), year = parts[2].toInt(&okYear);
    if (!okDay || !okMonth || !okYear || parts[2].size() != 4 || day != 29 || month != 2 || QDate::isLeapYear(year))
        return false;
    out = {QDate(year, 2, 28).toJulianDay(), 24 * 60 * 60 * 1000};
    return true;
}

bool sameOperand(const Operand& a, const Operand& b) {
    return a.field == b.field && a.part == b.part && a.integerAsMoney == b.integerAsMoney && a.offset == b.offset;
}

// A number comparison with a constant under `op`: a candidate for a set test.
bool isSetTerm(const Filter::Node& n, Op op) {
    const Comparison& c = n.comparison;
    return n.kind == Filter::Node::Kind::Compare && c.test == Test::WithConstant && c.op == op &&
           (c.category == Category::Int || c.category == Category::Money);
}

// Builds an and-chain of "<>" (or an or-chain of "=") term by term, folding the terms on
// one number operand into one set test; every other term stays as it is. The result is the
// same for every row: a row without a value fails each term, and so the set test. Folding
// as the terms arrive keeps a generated chain of many thousand terms linear and small.
class ChainBuilder {
public:
    ChainBuilder(Filter::Node::Kind kind, Op op) : op_(op) { chain_.kind = kind; }

    void add(Filter::Node&& term) {
        if (!isSetTerm(term, op_)) {
            chain_.children.push_back(std::move(term));
            return;
        }
        Filter::Node* set = nullptr;
        for (Filter::Node& s : sets_)
            if (sameOperand(s.comparison.left, term.comparison.left)) set = &s;
        if (!set) {
            Filter::Node s;
            s.kind = Filter::Node::Kind::InSet;
            s.comparison = term.comparison;
            s.negated = op_ == Op::Ne;
            sets_.push_back(std::move(s));
            set = &sets_.back();
        }
        set->values.insert(term.comparison.number);
        // The terms themselves are kept only while the set is too small to be worth it.
        if (set->children.size() < kWorthIt) set->children.push_back(std::move(term));
    }

    Filter::Node finish() {
        for (Filter::Node& s : sets_) {
            if (s.children.size() < kWorthIt) {
                for (Filter::Node& c : s.children) chain_.children.push_back(std::move(c));
            } else {
                s.children.clear();
                chain_.children.push_back(std::move(s));
            }
        }
        return std::move(chain_);
    }

private:
    static constexpr size_t kWorthIt = 4;
    Op op_;
    Filter::Node chain_;
    std::vector<Filter::Node> sets_;
};

// ------------------------------------------------------------ lexer

enum class Tok { End, Name, BracketName, Text, Number, Operator, Minus, Plus, Open, Close };

struct Token {
    Tok type = Tok::End;
    QString value;  // name, text content or digits
    Op op = Op::Eq;
    int pos = 0;  // index in the filter text
    int len = 0;
};

bool isAsciiDigit(QChar c) { return c >= u'0' && c <= u'9'; }

bool isNameChar(QChar c) { return c.isLetterOrNumber() || c == u'_'; }

QString place(int pos) { return QString::number(pos + 1); }

// A term as parsed, before it is matched against the other side of its comparison.
struct Term {
    enum class Kind { Field, DatePart, Text, Number, Truth, Null };
    Kind kind = Kind::Null;
    int field = -1;
    DatePart part = DatePart::None;
    QString text;
    qint64 number = 0;  // Number value; for fields and date parts the offset to subtract
    bool truth = false;
    int pos = 0;
    int end = 0;

    bool readsRow() const { return kind == Kind::Field || kind == Kind::DatePart; }
};

class Compiler {
public:
    Compiler(const QString& text, const FieldList& fields) : text_(text), fields_(fields) {}

    std::unique_ptr<Filter::Node> run() {
        lex();
        if (tokens_.front().type == Tok::End) return nullptr;
        auto root = std::make_unique<Filter::Node>(parseOr());
        const Token& t = peek();
        if (t.type == Tok::Close)
            fail(QStringLiteral("Zur Klammer »)« an Stelle %1 fehlt die öffnende Klammer.").arg(place(t.pos)));
        if (t.type != Tok::End)
            fail(QStringLiteral("An Stelle %1 steht »%2«; erwartet werden and, or oder das Ende.")
                     .arg(place(t.pos), source(t)));
        return root;
    }

private:
    [[noreturn]] void fail(const QString& detail) const {
        throw DataError(QStringLiteral("Der Filter »%1« ist ungültig: %2").arg(text_, detail));
    }

    QString source(const Token& t) const { return text_.mid(t.pos, t.len); }
    QString source(const Term& t) const { return text_.mid(t.pos, t.end - t.pos); }

    void add(Tok type, int pos, int len, QString value = {}, Op op = Op::Eq) {
        tokens_.push_back(Token{type, std::move(value), op, pos, len});
    }

    void lex() {
        const int n = text_.size();
        int i = 0;
        while (i < n) {
            const QChar c = text_[i];
            const int start = i;
            if (c.isSpace()) {
                ++i;
            } else if (c == u'(') {
                add(Tok::Open, i++, 1);
            } else if (c == u')') {
                add(Tok::Close, i++, 1);
            } else if (c == u'-') {
                add(Tok::Minus, i++, 1);
            } else if (c == u'+') {
                add(Tok::Plus, i++, 1);
            } else if (c == u'=') {
                add(Tok::Operator, i++, 1, {}, Op::Eq);
            } else if (c == u'<') {
                const QChar next = i + 1 < n ? text_[i + 1] : QChar();
                if (next == u'>')
                    add(Tok::Operator, i, 2, {}, Op::Ne);
                else if (next == u'=')
                    add(Tok::Operator, i, 2, {}, Op::Le);
                else
                    add(Tok::Operator, i, 1, {}, Op::Lt);
                i += tokens_.back().len;
            } else if (c == u'>') {
                const bool ge = i + 1 < n && text_[i + 1] == u'=';
                add(Tok::Operator, i, ge ? 2 : 1, {}, ge ? Op::Ge : Op::Gt);
                i += ge ? 2 : 1;
            } else if (c == u'\'') {
                QString value;
                ++i;
                for (;;) {
                    if (i >= n)
                        fail(QStringLiteral("Das Hochkomma an Stelle %1 wird nicht geschlossen. "
                                            "Ein Hochkomma innerhalb eines Textes wird doppelt "
                                            "geschrieben, z. B. 'O''Brien'.")
                                 .arg(place(start)));
                    if (text_[i] == u'\'') {
                        if (i + 1 < n && text_[i + 1] == u'\'') {
                            value += u'\'';
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    value += text_[i++];
                }
                add(Tok::Text, start, i - start, value);
            } else if (c == u'[') {
                const int close = text_.indexOf(u']', i + 1);
                if (close < 0)
                    fail(QStringLiteral("Die eckige Klammer an Stelle %1 wird nicht geschlossen.").arg(place(start)));
                if (close == i + 1)
                    fail(QStringLiteral("An Stelle %1 steht ein leerer Feldname »[]«.").arg(place(start)));
                add(Tok::BracketName, start, close + 1 - start, text_.mid(i + 1, close - i - 1));
                i = close + 1;
            } else if (isAsciiDigit(c)) {
                while (i < n && isAsciiDigit(text_[i])) ++i;
                add(Tok::Number, start, i - start, text_.mid(start, i - start));
            } else if (isNameChar(c)) {
                while (i < n && isNameChar(text_[i])) ++i;
                add(Tok::Name, start, i - start, text_.mid(start, i - start));
            } else if (c == u'"') {
                fail(QStringLiteral("An Stelle %1 steht ein Anführungszeichen; Texte stehen in "
                                    "einfachen Hochkommas, z. B. 'Berlin'.")
                         .arg(place(start)));
            } else if (c == u',') {
                fail(QStringLiteral("An Stelle %1 steht ein Komma; Zahlen mit Nachkommastellen stehen "
                                    "in Hochkommas, z. B. '12,50'.")
                         .arg(place(start)));
            } else {
                const int len = c.isHighSurrogate() && i + 1 < n ? 2 : 1;
                fail(QStringLiteral("Unerwartetes Zeichen »%1« an Stelle %2.").arg(text_.mid(i, len), place(start)));
            }
        }
        add(Tok::End, n, 0);
    }

    const Token& peek() const { return tokens_[pos_]; }
    const Token& take() { return tokens_[pos_ < tokens_.size() - 1 ? pos_++ : pos_]; }

    bool peekKeyword(const char16_t* word) const {
        const Token& t = peek();
        return t.type == Tok::Name && t.value.compare(QStringView(word), Qt::CaseInsensitive) == 0;
    }

    Filter::Node parseOr() {
        Filter::Node first = parseAnd();
        if (!peekKeyword(u"or")) return first;
        ChainBuilder chain(Filter::Node::Kind::Or, Op::Eq);
        chain.add(std::move(first));
        while (peekKeyword(u"or")) {
            take();
            chain.add(parseAnd());
        }
        return chain.finish();
    }

    Filter::Node parseAnd() {
        Filter::Node first = parseFactor();
        if (!peekKeyword(u"and")) return first;
        ChainBuilder chain(Filter::Node::Kind::And, Op::Ne);
        chain.add(std::move(first));
        while (peekKeyword(u"and")) {
            take();
            chain.add(parseFactor());
        }
        return chain.finish();
    }

    Filter::Node parseFactor() {
        if (peek().type != Tok::Open) return parseComparison();
        const Token open = take();
        if (++depth_ > kMaxNesting)
            fail(QStringLiteral("Die Klammern sind zu tief verschachtelt (höchstens %1 Ebenen).")
                     .arg(QString::number(kMaxNesting)));
        Filter::Node inner = parseOr();
        const Token& t = peek();
        if (t.type == Tok::End)
            fail(QStringLiteral("Die Klammer »(« an Stelle %1 wird nicht geschlossen.").arg(place(open.pos)));
        if (t.type != Tok::Close)
            fail(QStringLiteral("An Stelle %1 steht »%2«; erwartet werden and, or oder »)«.")
                     .arg(place(t.pos), source(t)));
        take();
        --depth_;
        return inner;
    }

    Filter::Node parseComparison() {
        Term left = parseTerm(nullptr);
        const Token& t = peek();
        if (t.type != Tok::Operator) {
            if (t.type == Tok::End)
                fail(QStringLiteral("Nach »%1« fehlt ein Vergleich (=, <>, <, >, <=, >=).").arg(source(left)));
            fail(QStringLiteral("An Stelle %1 steht »%2«; erwartet wird ein Vergleich (=, <>, <, >, <=, >=).")
                     .arg(place(t.pos), source(t)));
        }
        const Token opToken = take();
        Term right = parseTerm(&opToken);
        Filter::Node node;
        node.comparison = buildComparison(std::move(left), opToken.op, std::move(right));
        return node;
    }

    // `after` is the operator before a right-hand operand, for the messages.
    Term parseTerm(const Token* after) {
        const Token t = take();
        Term term;
        term.pos = t.pos;
        switch (t.type) {
            case Tok::Number:
                term.kind = Term::Kind::Number;
                term.number = parseNumber(t, false);
                break;
            case Tok::Minus: {
                const Token digits = take();
                if (digits.type != Tok::Number)
                    fail(QStringLiteral("Nach »-« an Stelle %1 fehlt eine Zahl.").arg(place(t.pos)));
                term.kind = Term::Kind::Number;
                term.number = parseNumber(digits, true);
                break;
            }
            case Tok::Text:
                term.kind = Term::Kind::Text;
                term.text = t.value;
                break;
            case Tok::BracketName:
                term.kind = Term::Kind::Field;
                term.field = resolveField(t);
                break;
            case Tok::Name: {
                const QString word = t.value.toLower();
                if (word == u"null") {
                    term.kind = Term::Kind::Null;
                } else if (word == u"true" || word == u"false") {
                    term.kind = Term::Kind::Truth;
                    term.truth = word == u"true";
                } else if (word == u"and" || word == u"or") {
                    failMissingOperand(t, after);
                } else if ((word == u"year" || word == u"month" || word == u"day") && peek().type == Tok::Open) {
                    take();
                    term.kind = Term::Kind::DatePart;
                    term.part = word == u"year" ? DatePart::Year : word == u"month" ? DatePart::Month : DatePart::Day;
                    const Token name = take();
                    if (name.type != Tok::Name && name.type != Tok::BracketName)
                        fail(QStringLiteral("In »%1(« an Stelle %2 fehlt das Datumsfeld.").arg(t.value, place(t.pos)));
                    term.field = resolveField(name);
                    if (fields_[term.field].type != FieldType::Date)
                        fail(QStringLiteral("%1() braucht ein Datumsfeld; »%2« ist keins.")
                                 .arg(t.value, fields_[term.field].name));
                    if (peek().type != Tok::Close)
                        fail(QStringLiteral("Nach »%1« an Stelle %2 fehlt »)«.").arg(source(name), place(name.pos)));
                    take();
                } else {
                    term.kind = Term::Kind::Field;
                    term.field = resolveField(t);
                }
                break;
            }
            default: failMissingOperand(t, after);
        }
        term.end = tokens_[pos_ - 1].pos + tokens_[pos_ - 1].len;

        while (peek().type == Tok::Minus || peek().type == Tok::Plus) {
            const Token sign = take();
            const Token digits = take();
            if (digits.type != Tok::Number)
                fail(QStringLiteral("Nach »%1« an Stelle %2 fehlt eine Zahl.").arg(source(sign), place(sign.pos)));
            const bool numeric = term.kind == Term::Kind::Number || term.kind == Term::Kind::DatePart ||
                                 (term.kind == Term::Kind::Field && isNumericType(fields_[term.field].type));
            if (!numeric)
                fail(QStringLiteral("»%1« ist keine Zahl; gerechnet werden kann nur mit Zahlenfeldern "
                                    "und Year(), Month(), Day().")
                         .arg(source(term)));
            // Numbers fold into one constant; fields keep the amount to subtract.
            const qint64 amount = parseNumber(digits, false);
            const bool grows = (sign.type == Tok::Minus) != (term.kind == Term::Kind::Number);
            const auto result = checkedAdd(term.number, grows ? amount : -amount);
            if (!result) fail(QStringLiteral("Die Zahl an Stelle %1 ist zu groß.").arg(place(digits.pos)));
            term.number = *result;
            term.end = digits.pos + digits.len;
        }
        return term;
    }

    [[noreturn]] void failMissingOperand(const Token& t, const Token* after) const {
        if (after) {
            if (t.type == Tok::End) fail(QStringLiteral("Nach »%1« fehlt ein Wert.").arg(source(*after)));
            fail(QStringLiteral("Nach »%1« an Stelle %2 fehlt ein Wert; dort steht »%3«.")
                     .arg(source(*after), place(after->pos), source(t)));
        }
        if (t.type == Tok::End) fail(QStringLiteral("Am Ende fehlt ein Vergleich."));
        if (t.type == Tok::Operator)
            fail(QStringLiteral("Vor »%1« an Stelle %2 fehlt ein Feldname.").arg(source(t), place(t.pos)));
        fail(QStringLiteral("An Stelle %1 steht »%2«; erwartet wird ein Vergleich wie Feld = 'Wert'.")
                 .arg(place(t.pos), source(t)));
    }

    qint64 parseNumber(const Token& digits, bool negative) const {
        bool ok = false;
        const qint64 n = (negative ? QStringLiteral("-") + digits.value : digits.value).toLongLong(&ok);
        if (!ok) fail(QStringLiteral("Die Zahl %1 an Stelle %2 ist zu groß.").arg(digits.value, place(digits.pos)));
        return n;
    }

    int resolveField(const Token& t) const {
        const int index = fieldIndex(fields_, t.value);
        if (index < 0) fail(QStringLiteral("Das Feld '%1' gibt es nicht.").arg(t.value));
        return index;
    }

    static Category categoryOf(const Term& t, const FieldList& fields) {
        if (t.kind == Term::Kind::DatePart) return Category::Int;
        switch (fields[t.field].type) {
            case FieldType::Text:
            case FieldType::Memo: return Category::Text;
            case FieldType::AutoIncrement:
            case FieldType::Integer: return Category::Int;
            case FieldType::Currency: return Category::Money;
            case FieldType::Date: return Category::Date;
            case FieldType::Bool: return Category::Bool;
        }
        return Category::Text;
    }

    // How the messages name a row-reading term.
    QString describe(const Term& t) const {
        if (t.kind == Term::Kind::DatePart) return QStringLiteral("»%1«").arg(source(t));
        return QStringLiteral("das Feld '%1'").arg(fields_[t.field].name);
    }

    Operand operandOf(const Term& t, Category category) const {
        Operand o;
        o.field = t.field;
        o.part = t.part;
        o.offset = t.number;
        if (category == Category::Money) {
            // Offsets are written in euros.
            o.integerAsMoney = categoryOf(t, fields_) == Category::Int;
            const auto scaled = checkedMul(t.number, kMoneyUnit);
            if (!scaled) fail(QStringLiteral("Die Zahl in »%1« ist zu groß.").arg(source(t)));
            o.offset = *scaled;
        }
        return o;
    }

    Comparison buildComparison(Term left, Op op, Term right) const {
        const QString whole = text_.mid(left.pos, right.end - left.pos);
        if (!left.readsRow() && !right.readsRow())
            fail(QStringLiteral("Der Vergleich »%1« enthält kein Feld.").arg(whole));
        if (!left.readsRow()) {
            std::swap(left, right);
            op = mirrored(op);
        }

        Comparison c;
        c.op = op;
        if (right.kind == Term::Kind::Null) {
            if (op != Op::Eq && op != Op::Ne)
                fail(QStringLiteral("NULL lässt sich nur mit = oder <> vergleichen (»%1«).").arg(whole));
            c.test = op == Op::Eq ? Test::IsNull : Test::HasValue;
            c.left = operandOf(left, Category::Int);
            return c;
        }

        const Category lc = categoryOf(left, fields_);
        if (right.readsRow()) {
            const Category rc = categoryOf(right, fields_);
            const bool numeric =
                (lc == Category::Int || lc == Category::Money) && (rc == Category::Int || rc == Category::Money);
            if (lc != rc && !numeric)
                fail(QStringLiteral("Im Vergleich »%1« passen %2 und %3 nicht zueinander.")
                         .arg(whole, describe(left), describe(right)));
            c.category = lc == rc ? lc : Category::Money;
            if (c.category == Category::Bool) requireEquality(op, whole);
            c.test = Test::WithOperand;
            c.left = operandOf(left, c.category);
            c.right = operandOf(right, c.category);
            return c;
        }

        c.category = lc;
        c.test = Test::WithConstant;
        c.left = operandOf(left, lc);
        const QString constant = source(right);
        if (right.kind == Term::Kind::Text && lc != Category::Text && right.text.endsWith(u'*'))
            fail(QStringLiteral("Der Platzhalter * in %1 ist nur bei Textfeldern möglich; %2 ist keins.")
                     .arg(constant, describe(left)));
        if (right.kind == Term::Kind::Truth && lc != Category::Bool)
            fail(QStringLiteral("%1 passt nur zu Ja/Nein-Feldern; %2 ist keins.").arg(constant, describe(left)));

        switch (lc) {
            case Category::Text:
                if (right.kind == Term::Kind::Number) {
                    c.text = QString::number(right.number);
                } else if ((op == Op::Eq || op == Op::Ne) && right.text.endsWith(u'*')) {
                    c.test = op == Op::Eq ? Test::StartsWith : Test::NotStartsWith;
                    c.text = right.text.chopped(1);
                } else {
                    c.text = right.text;
                }
                break;
            case Category::Int:
                if (right.kind == Term::Kind::Number) {
                    c.number = right.number;
                } else {
                    bool ok = false;
                    c.number = right.text.trimmed().toLongLong(&ok);
                    if (!ok)
                        fail(QStringLiteral("%1 ist keine gültige ganze Zahl für %2.").arg(constant, describe(left)));
                }
                break;
            case Category::Money:
                if (right.kind == Term::Kind::Number) {
                    const auto units = checkedMul(right.number, kMoneyUnit);
                    if (!units) fail(QStringLiteral("Der Betrag %1 ist zu groß.").arg(constant));
                    c.number = *units;
                } else {
                    const auto amount = parseMoney(right.text);
                    if (!amount)
                        fail(QStringLiteral("%1 ist kein gültiger Betrag für %2.").arg(constant, describe(left)));
                    c.number = *amount;
                }
                break;
            case Category::Date: {
                if (right.kind == Term::Kind::Number)
                    fail(QStringLiteral("Ein Datum steht in Hochkommas, z. B. %1 = '31.12.2005'.")
                             .arg(fields_[left.field].name));
                if (!readFilterMoment(right.text, c.moment))
                    fail(QStringLiteral("%1 ist kein gültiges Datum (TT.MM.JJJJ) für %2.")
                             .arg(constant, describe(left)));
                break;
            }
            case Category::Bool:
                requireEquality(op, whole);
                if (right.kind == Term::Kind::Truth) {
                    c.truth = right.truth;
                } else {
                    const auto b = right.kind == Term::Kind::Number
                                       ? (right.number == 0                         ? std::optional<bool>(false)
                                          : right.number == 1 || right.number == -1 ? std::optional<bool>(true)
                                                                                    : std::nullopt)
                                       : parseBool(right.text);
                    if (!b)
                        fail(QStringLiteral("%1 ist kein gültiger Wahrheitswert für %2 (erlaubt: true, false).")
                                 .arg(constant, describe(left)));
                    c.truth = *b;
                }
                break;
        }
        return c;
    }

    void requireEquality(Op op, const QString& whole) const {
        if (op != Op::Eq && op != Op::Ne)
            fail(QStringLiteral("Ja/Nein-Felder lassen sich nur mit = oder <> vergleichen (»%1«).").arg(whole));
    }

    const QString& text_;
    const FieldList& fields_;
    std::vector<Token> tokens_;
    size_t pos_ = 0;
    int depth_ = 0;
};

}  // namespace

QString quoteFilterText(const QString& value) {
    QString v = value;
    v.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + v + QLatin1Char('\'');
}

Filter::Filter(std::unique_ptr<Node> root) : root_(std::move(root)) {}

Filter::~Filter() = default;

std::shared_ptr<const Filter> Filter::compile(const QString& text, const FieldList& fields) {
    return std::shared_ptr<const Filter>(new Filter(Compiler(text, fields).run()));
}

bool Filter::matches(const RowRef& row) const { return !root_ || evaluate(*root_, row); }

bool Filter::selectsAll() const { return !root_; }

}  // namespace ferolind
