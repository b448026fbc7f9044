#pragma once
// The "ostrel.xmpp" logging category, and gloox's own log routed into it
// without secrets: the SASL exchange carries the password (PLAIN in Base64).

#include <gloox/loghandler.h>

#include <QLoggingCategory>

#include <string>

Q_DECLARE_LOGGING_CATEGORY(lcXmpp)

// The text with the content of every SASL "auth" and "response" element
// hidden.
std::string RedactSecrets(const std::string &text);

class CGlooxLog : public gloox::LogHandler
{
public:
    void handleLog(gloox::LogLevel level, gloox::LogArea area, const std::string &message) override;
};
