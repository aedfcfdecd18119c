#pragma once

#include <QString>
#include <stdexcept>

namespace quil {

// The one exception type that handlers raise. Its message reaches the user unchanged
// (apart from the closing full stop) through the application's error report.
class Error : public std::runtime_error {
public:
    explicit Error(const QString &message)
        : std::runtime_error(message.toStdString()), FMessage(message)
    {
    }
    const QString &message() const { return FMessage; }

private:
    QString FMessage;
};

// The text of the error report: a full stop is added when the last character sorts after ".".
QString errorReportText(const QString &message);

} // namespace quil
