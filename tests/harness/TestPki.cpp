#include "tests/harness/TestPki.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <memory>
#include <mutex>

namespace harness {

namespace {

constexpr int kOpensslTimeoutMs = 20000;
const QByteArray kReqConfig = "[ req ]\ndistinguished_name = dn\nprompt = no\n[ dn ]\nCN = unused\n";

class PkiBuilder
{
public:
    explicit PkiBuilder(TestPki &pki) : m_pki(pki) {}

    void Build()
    {
        if (!m_dir.isValid())
            return Fail(QStringLiteral("cannot create a temporary folder"));
        m_root = QDir(m_dir.path());
        if (!WriteConfigs())
            return;

        if (!MakeCa(QStringLiteral("ca"), QStringLiteral("Ostrel Test CA"))
            || !MakeCa(QStringLiteral("otherca"), QStringLiteral("Unknown Test CA")))
            return;
        m_pki.caCert = Path(QStringLiteral("ca.crt"));

        if (!MakeLeaf(QStringLiteral("localhost"), QStringLiteral("localhost"), QStringLiteral("ca"), {}, {}, m_pki.localhost)
            || !MakeLeaf(QStringLiteral("expired"), QStringLiteral("localhost"), QStringLiteral("ca"),
                         QStringLiteral("20200101000000Z"), QStringLiteral("20200201000000Z"), m_pki.expired)
            || !MakeLeaf(QStringLiteral("notyetvalid"), QStringLiteral("localhost"), QStringLiteral("ca"),
                         QStringLiteral("20990101000000Z"), QStringLiteral("20991231000000Z"), m_pki.notYetValid)
            || !MakeLeaf(QStringLiteral("wronghost"), QStringLiteral("wrong.invalid"), QStringLiteral("ca"), {}, {},
                         m_pki.wrongHost)
            || !MakeLeaf(QStringLiteral("unknownca"), QStringLiteral("localhost"), QStringLiteral("otherca"), {}, {},
                         m_pki.unknownCa)
            || !MakeSelfSigned(m_pki.selfSigned))
            return;
        m_pki.ok = true;
    }

private:
    QString Path(const QString &name) const { return m_root.filePath(name); }

    void Fail(const QString &what)
    {
        m_pki.ok = false;
        m_pki.error = what;
    }

    bool Write(const QString &name, const QByteArray &text)
    {
        QFile f(Path(name));
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(text) != text.size()) {
            Fail(QStringLiteral("cannot write %1").arg(name));
            return false;
        }
        return true;
    }

    bool WriteConfigs()
    {
        return Write(QStringLiteral("req.cnf"), kReqConfig + "[ ca_ext ]\nbasicConstraints = critical, CA:true\n"
                                                             "keyUsage = critical, keyCertSign, cRLSign\n"
                                                             "subjectKeyIdentifier = hash\n");
    }

    bool Openssl(const QStringList &args)
    {
        QProcess p;
        p.setWorkingDirectory(m_root.path());
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStringLiteral("openssl"), args);
        if (!p.waitForStarted(kOpensslTimeoutMs)) {
            Fail(QStringLiteral("the openssl tool cannot be started: %1").arg(p.errorString()));
            return false;
        }
        if (!p.waitForFinished(kOpensslTimeoutMs)) {
            p.kill();
            p.waitForFinished(2000);
            Fail(QStringLiteral("openssl %1 did not finish").arg(args.join(QLatin1Char(' '))));
            return false;
        }
        if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
            Fail(QStringLiteral("openssl %1 failed: %2")
                     .arg(args.join(QLatin1Char(' ')), QString::fromLocal8Bit(p.readAll())));
            return false;
        }
        return true;
    }

    static QStringList NewKey()
    {
        return {QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};
    }

    bool MakeCa(const QString &name, const QString &commonName)
    {
        QDir().mkpath(Path(name + QStringLiteral(".db")));
        const QString db = name + QStringLiteral(".db/");
        if (!Write(db + QStringLiteral("index.txt"), {}) || !Write(db + QStringLiteral("serial"), "1000\n"))
            return false;
        const QByteArray conf = "[ ca ]\ndefault_ca = test_ca\n[ test_ca ]\n"
                                "database = " + Path(db + QStringLiteral("index.txt")).toUtf8() + "\n"
                                "new_certs_dir = " + Path(name + QStringLiteral(".db")).toUtf8() + "\n"
                                "serial = " + Path(db + QStringLiteral("serial")).toUtf8() + "\n"
                                "default_md = sha256\npolicy = policy_any\nunique_subject = no\n"
                                "email_in_dn = no\ndefault_days = 30\n"
                                "[ policy_any ]\ncommonName = supplied\n";
        if (!Write(name + QStringLiteral(".cnf"), conf))
            return false;
        return Openssl(QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + NewKey()
                       + QStringList{QStringLiteral("-keyout"), name + QStringLiteral(".key"), QStringLiteral("-out"),
                                     name + QStringLiteral(".crt"), QStringLiteral("-days"), QStringLiteral("30"),
                                     QStringLiteral("-subj"), QStringLiteral("/CN=") + commonName,
                                     QStringLiteral("-config"), QStringLiteral("req.cnf"), QStringLiteral("-extensions"),
                                     QStringLiteral("ca_ext")});
    }

    bool WriteLeafExtensions(const QString &file, const QString &dnsName)
    {
        // Also a request configuration, for the self-signed certificate.
        return Write(file, kReqConfig + "[ leaf ]\nbasicConstraints = CA:FALSE\n"
                           "keyUsage = critical, digitalSignature, keyEncipherment\n"
                           "extendedKeyUsage = serverAuth\nsubjectAltName = DNS:"
                               + dnsName.toUtf8() + "\n");
    }

    // An empty start and end give a certificate valid from now for 30 days.
    bool MakeLeaf(const QString &name, const QString &dnsName, const QString &ca, const QString &start,
                  const QString &end, CertPair &out)
    {
        const QString ext = name + QStringLiteral("_ext.cnf");
        if (!WriteLeafExtensions(ext, dnsName))
            return false;
        if (!Openssl(QStringList{QStringLiteral("req"), QStringLiteral("-new")} + NewKey()
                     + QStringList{QStringLiteral("-keyout"), name + QStringLiteral(".key"), QStringLiteral("-out"),
                                   name + QStringLiteral(".csr"), QStringLiteral("-subj"), QStringLiteral("/CN=") + dnsName,
                                   QStringLiteral("-config"), QStringLiteral("req.cnf")}))
            return false;
        QStringList args{QStringLiteral("ca"), QStringLiteral("-batch"), QStringLiteral("-notext"),
                         QStringLiteral("-config"), ca + QStringLiteral(".cnf"), QStringLiteral("-cert"),
                         ca + QStringLiteral(".crt"), QStringLiteral("-keyfile"), ca + QStringLiteral(".key"),
                         QStringLiteral("-in"), name + QStringLiteral(".csr"), QStringLiteral("-out"),
                         name + QStringLiteral(".crt"), QStringLiteral("-extfile"), ext, QStringLiteral("-extensions"),
                         QStringLiteral("leaf")};
        if (!start.isEmpty())
            args << QStringLiteral("-startdate") << start << QStringLiteral("-enddate") << end;
        if (!Openssl(args))
            return false;
        out = {Path(name + QStringLiteral(".crt")), Path(name + QStringLiteral(".key"))};
        return true;
    }

    bool MakeSelfSigned(CertPair &out)
    {
        const QString ext = QStringLiteral("selfsigned_ext.cnf");
        if (!WriteLeafExtensions(ext, QStringLiteral("localhost")))
            return false;
        if (!Openssl(QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + NewKey()
                     + QStringList{QStringLiteral("-keyout"), QStringLiteral("selfsigned.key"), QStringLiteral("-out"),
                                   QStringLiteral("selfsigned.crt"), QStringLiteral("-days"), QStringLiteral("30"),
                                   QStringLiteral("-subj"), QStringLiteral("/CN=localhost"), QStringLiteral("-config"),
                                   ext, QStringLiteral("-extensions"), QStringLiteral("leaf")}))
            return false;
        out = {Path(QStringLiteral("selfsigned.crt")), Path(QStringLiteral("selfsigned.key"))};
        return true;
    }

    // Lives as long as the builder, that is until the process ends.
    QTemporaryDir m_dir;
    TestPki &m_pki;
    QDir m_root;
};

} // namespace

const TestPki &TestPki::Shared()
{
    static TestPki pki;
    static std::unique_ptr<PkiBuilder> builder;
    static std::once_flag once;
    std::call_once(once, [] {
        builder = std::make_unique<PkiBuilder>(pki);
        builder->Build();
    });
    return pki;
}

} // namespace harness
