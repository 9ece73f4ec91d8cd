// The error every data operation raises: it carries a German message for the user.
#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

namespace ferolind {

class DataError : public std::exception {
public:
    explicit DataError(QString message) : message_(std::move(message)), utf8_(message_.toUtf8()) {}
    const QString& message() const { return message_; }
    const char* what() const noexcept override { return utf8_.constData(); }

private:
    QString message_;
    QByteArray utf8_;
};

}  // namespace ferolind
