#include "zragent.h"

using namespace Qt::StringLiterals;

QString ZRNickAddress(const QString& nick)
{
    const qsizetype colon = nick.indexOf(QLatin1Char(':'));
    return colon < 0 ? nick : nick.left(colon);
}

int ZRDecimal(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    qint64 value = 0;
    for (; i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); ++i) {
        value = value * 10 + (text[i].unicode() - '0');
        if (value > qint64(INT_MAX) + 1)
            value = qint64(INT_MAX) + 1; // saturate instead of wrapping on a hostile number
    }
    if (negative) value = -value;
    if (value > INT_MAX) value = INT_MAX;
    return int(value);
}

CZRAgent::CZRAgent(const QString& nick) : m_nick(nick)
{
    const qsizetype colon = nick.indexOf(QLatin1Char(':'));
    if (colon < 0) {
        m_ip = nick;
    } else {
        m_ip = nick.left(colon);
        m_name = nick.mid(colon + 1);
    }
}

CZRAgent& CZRAgent::operator=(const CZRAgent& other)
{
    if (this == &other) return *this;
    m_nick = other.m_nick;
    m_ip = other.m_ip;
    m_name = other.m_name;
    m_modelImage = other.m_modelImage;
    m_osType = other.m_osType;
    m_waitProcess = other.m_waitProcess;
    m_waitService = other.m_waitService;
    m_waitAutoInst = other.m_waitAutoInst;
    m_waitNetInterface = other.m_waitNetInterface;
    m_waitTime = other.m_waitTime;
    m_transferFrm = other.m_transferFrm;
    m_upgrading = other.m_upgrading;
    m_dnsWaiting = other.m_dnsWaiting;
    m_browseFiles = other.m_browseFiles;
    m_checkingAlive = other.m_checkingAlive;
    return *this;
}

bool CZRAgent::operator==(const CZRAgent& other) const
{
    return m_nick == other.m_nick || m_ip == other.m_ip;
}

int CZRAgent::SetIPAddr(const QString& ip)
{
    if (ip.isEmpty()) return 0;
    m_ip = ip;
    return 1;
}

void CZRAgent::SetVersion(const QString& version)
{
    const qsizetype build = version.indexOf(u"Build");
    m_version = build < 0 ? version : version.left(build).trimmed();
}

void CZRAgent::GetDeviceInfo(QString& model, QString& host, QString& cpu, QString& os,
                             QString& firmware) const
{
    model = m_model;
    host = m_host;
    cpu = m_cpu;
    os = m_osVersion;
    firmware = m_firmware;
}

void CZRAgent::SetDeviceInfo(const QString& model, const QString& host, const QString& cpu, const QString& os,
                             const QString& firmware)
{
    m_model = model;
    m_host = host;
    m_cpu = cpu;
    m_osVersion = os;
    m_firmware = firmware;
    const auto has = [](const QString& text, QLatin1StringView word) {
        // Plain ASCII text folds as ASCII; anything else takes Qt's full case folding.
        const QChar* s = text.constData();
        const qsizetype n = text.size();
        for (qsizetype i = 0; i < n; ++i)
            if (s[i].unicode() >= 0x80) return text.contains(word, Qt::CaseInsensitive);
        const qsizetype m = word.size();
        const auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; };
        for (qsizetype i = 0; i + m <= n; ++i) {
            qsizetype j = 0;
            while (j < m && lower(s[i + j].unicode()) == lower(word[j].unicode()))
                ++j;
            if (j == m) return true;
        }
        return m == 0;
    };
    if (has(os, "XPE"_L1) || has(model, "XPE"_L1))
        m_osType = 2;
    else if (has(os, "WINDOWS"_L1) || has(model, "CE"_L1))
        m_osType = 1;
    else
        m_osType = 0;
}

int CZRAgent::GetDeviceCapacity(int which, int& first, int& second) const
{
    if (which != 0 && which != 1) return 0;
    const int* c = which == 0 ? m_capacity0 : m_capacity1;
    first = c[0];
    second = c[1];
    return 1;
}

int CZRAgent::SetDeviceCapacity(int which, const QString& first, const QString& second)
{
    if (which != 0 && which != 1) return 0;
    int* c = which == 0 ? m_capacity0 : m_capacity1;
    c[0] = ZRDecimal(first);
    c[1] = ZRDecimal(second);
    return 1;
}

void CZRAgent::SetSYSTime(const QString& date, const QString& time)
{
    m_sysDate = date;
    m_sysTime = time;
}

void CZRAgent::SetRTCTime(const QString& date, const QString& time)
{
    m_rtcDate = date;
    m_rtcTime = time;
}

void CZRAgent::AddNetworkInterface(int number, const QString& name, const QString& t2, const QString& t3,
                                   const QString& t4, const QString& t5)
{
    const _Network entry{number, name, t2, t3, t4, t5};
    for (_Network& n : m_interfaces) {
        if (n.name == name) {
            n = entry;
            return;
        }
    }
    m_interfaces.append(entry);
}

void CZRAgent::AddNetworkDNS(const QString& name, const QString& server)
{
    for (_DNSList& d : m_dns) {
        if (d.name == name) {
            d.servers.append(server);
            return;
        }
    }
    m_dns.append({name, QStringList{server}});
}

QString CZRAgent::GetDownloadData() const
{
    QString out;
    for (qsizetype i = 0; i < m_downloads.size(); ++i) {
        if (i > 0) out += QLatin1String(", \n");
        out += m_downloads[i].localPath;
    }
    return out;
}
