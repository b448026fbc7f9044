#include "tests/harness/ProsodyFixture.h"

#include "tests/harness/LocalPort.h"
#include "tests/harness/TestPki.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QThread>

#include <csignal>
#include <sys/prctl.h>

namespace harness {

namespace {

// A Lua string literal.
QByteArray LuaString(const QString &text)
{
    QByteArray out = "\"";
    for (const char c : text.toUtf8()) {
        if (c == '"' || c == '\\')
            out += '\\';
        if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out + '"';
}

// Prosody's file names for stores: every byte that is not a letter or digit
// is written as %xx.
QString StoreName(const QString &name)
{
    QString out;
    for (const char c : name.toUtf8()) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
            out += QLatin1Char(c);
        else
            out += QLatin1Char('%') + QString::number(uchar(c), 16).rightJustified(2, QLatin1Char('0'));
    }
    return out;
}

bool WriteFile(const QString &path, const QByteArray &text)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text) == text.size();
}

} // namespace

ProsodyFixture::ProsodyFixture() : ProsodyFixture(Options()) {}

ProsodyFixture::ProsodyFixture(Options options) : m_options(std::move(options)) {}

ProsodyFixture::~ProsodyFixture()
{
    Stop();
}

bool ProsodyFixture::Installed()
{
    return !QStandardPaths::findExecutable(QStringLiteral("prosody")).isEmpty();
}

QString ProsodyFixture::Address() const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_port);
}

QString ProsodyFixture::CaFile() const
{
    return TestPki::Shared().caCert;
}

QString ProsodyFixture::PasswordOf(const QString &user) const
{
    for (const ProsodyAccount &a : m_options.accounts) {
        if (a.user == user)
            return a.password;
    }
    return m_options.outsiders.contains(user) ? user + QStringLiteral("-secret") : QString();
}

QString ProsodyFixture::Log() const
{
    if (!m_dir)
        return {};
    QFile f(QDir(m_dir->path()).filePath(QStringLiteral("prosody.log")));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll());
}

bool ProsodyFixture::IsRunning() const
{
    return m_process && m_process->state() == QProcess::Running;
}

bool ProsodyFixture::WriteFiles()
{
    const QDir root(m_dir->path());
    const QString accounts = root.filePath(QStringLiteral("data/localhost/accounts"));
    if (!QDir().mkpath(accounts) || !QDir().mkpath(root.filePath(QStringLiteral("certs")))) {
        m_error = QStringLiteral("cannot create the data folder");
        return false;
    }
    QByteArray groups = "[Support]\n";
    QList<ProsodyAccount> allAccounts = m_options.accounts;
    for (const QString &user : m_options.outsiders)
        allAccounts.append({user, user + QStringLiteral("-secret")});
    for (const ProsodyAccount &a : allAccounts) {
        const QByteArray record = "return {\n\t[\"password\"] = " + LuaString(a.password) + ";\n};\n";
        if (!WriteFile(QDir(accounts).filePath(StoreName(a.user) + QStringLiteral(".dat")), record)) {
            m_error = QStringLiteral("cannot write the account of %1").arg(a.user);
            return false;
        }
        if ((m_options.simulatorInGroup || a.user != m_options.simulatorUser) && !m_options.outsiders.contains(a.user))
            groups += Jid(a.user).toUtf8() + '=' + a.user.toUtf8() + '\n';
    }
    if (!WriteFile(root.filePath(QStringLiteral("groups.txt")), groups)) {
        m_error = QStringLiteral("cannot write the groups file");
        return false;
    }

    const TestPki &pki = TestPki::Shared();
    auto path = [&](const QString &name) { return LuaString(root.filePath(name)); };
    QByteArray config;
    config += "-- Written by the test harness; started with -F, never as a service.\n";
    config += "run_as_root = true\n";
    config += "pidfile = " + path(QStringLiteral("prosody.pid")) + "\n";
    config += "data_path = " + path(QStringLiteral("data")) + "\n";
    config += "certificates = " + path(QStringLiteral("certs")) + "\n";
    config += "plugin_paths = { " + LuaString(QStringLiteral(OSTREL_HARNESS_PROSODY_MODULES)) + " }\n";
    config += "log = { debug = " + path(QStringLiteral("prosody.log")) + " }\n";
    config += "interfaces = { \"127.0.0.1\" }\n";
    config += "c2s_ports = { " + QByteArray::number(m_port) + " }\n";
    config += "c2s_direct_tls_ports = {}\nlegacy_ssl_ports = {}\ns2s_ports = {}\n";
    config += "modules_enabled = { \"roster\"; \"saslauth\"; \"tls\"; \"disco\"; \"ping\"; \"groups\"; "
              "\"posix\"; \"quelvar_relay\" }\n";
    config += "modules_disabled = { \"s2s\"; \"offline\" }\n";
    config += "authentication = \"internal_plain\"\n";
    config += "c2s_require_encryption = true\n";
    config += "allow_unencrypted_plain_auth = false\n";
    config += "groups_file = " + path(QStringLiteral("groups.txt")) + "\n";
    config += "quelvar_relay_target = " + LuaString(Jid(m_options.simulatorUser)) + "\n";
    for (const QString &line : m_options.extraConfig)
        config += line.toUtf8() + '\n';
    config += "VirtualHost \"localhost\"\n";
    config += "  ssl = { certificate = " + LuaString(pki.localhost.cert) + "; key = " + LuaString(pki.localhost.key)
              + "; }\n";
    if (!WriteFile(root.filePath(QStringLiteral("prosody.cfg.lua")), config)) {
        m_error = QStringLiteral("cannot write the configuration");
        return false;
    }
    return true;
}

bool ProsodyFixture::Start(int timeoutMs)
{
    Stop();
    m_error.clear();
    if (!Installed()) {
        m_error = QStringLiteral("prosody is not installed");
        return false;
    }
    if (!TestPki::Shared().ok) {
        m_error = TestPki::Shared().error;
        return false;
    }
    // The port is free when chosen but another process may take it before
    // Prosody binds it; a second port then usually does.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (StartOnce(timeoutMs))
            return true;
        Stop();
    }
    return false;
}

bool ProsodyFixture::StartOnce(int timeoutMs)
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_port = FreeLocalPort();
    if (!m_dir->isValid() || m_port == 0) {
        m_error = QStringLiteral("no temporary folder or no free port");
        return false;
    }
    if (!WriteFiles())
        return false;

    m_process = std::make_unique<QProcess>();
    m_process->setWorkingDirectory(m_dir->path());
    m_process->setStandardOutputFile(QDir(m_dir->path()).filePath(QStringLiteral("stdout.log")));
    m_process->setStandardErrorFile(QDir(m_dir->path()).filePath(QStringLiteral("stdout.log")), QIODevice::Append);
    // The server ends with the test process, even when that one crashes.
    m_process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    m_process->start(QStringLiteral("prosody"),
                     {QStringLiteral("-F"), QStringLiteral("--config"),
                      QDir(m_dir->path()).filePath(QStringLiteral("prosody.cfg.lua"))});
    if (!m_process->waitForStarted(timeoutMs)) {
        m_error = QStringLiteral("prosody did not start: %1").arg(m_process->errorString());
        return false;
    }
    QDeadlineTimer deadline(timeoutMs);
    while (!IsListening(m_port)) {
        if (m_process->state() != QProcess::Running) {
            m_error = QStringLiteral("prosody ended at start-up:\n%1").arg(Log());
            return false;
        }
        if (deadline.hasExpired()) {
            m_error = QStringLiteral("prosody does not listen on port %1:\n%2").arg(m_port).arg(Log());
            return false;
        }
        // A separate process: nothing here to wait on but the port itself.
        QThread::msleep(20);
    }
    return true;
}

void ProsodyFixture::Stop()
{
    if (!m_process)
        return;
    if (m_process->state() != QProcess::NotRunning) {
        m_process->terminate();
        if (!m_process->waitForFinished(5000)) {
            m_process->kill();
            m_process->waitForFinished(2000);
        }
    }
    m_process.reset();
}

} // namespace harness
