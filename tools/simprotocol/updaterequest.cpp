#include "simprotocol/updaterequest.h"

#include <QRegularExpression>

namespace UpdateRequest {

namespace {

const QByteArray kCommandPath = QByteArrayLiteral("/cgi-bin/cgictrl");
const QByteArray kOspreyPath = QByteArrayLiteral("/pjctrl");
const QByteArray kTokenSeparator = QByteArrayLiteral("&_=");
const QByteArray kUploadSalt = QByteArrayLiteral("QbNeRoTa");
const QByteArray kBoundary = QByteArrayLiteral("AaB03x");
constexpr int kMaxMultipartHead = 8192;

enum class Tail { TimeStamp, ListAndTimeStamp, Token, Nothing };

struct Form
{
    const char *method;
    QByteArray path;
    QByteArray prefix; // start of the query (chunked: the whole command)
    Tail tail;
    Step step;
};

QList<Form> formsOf(Dialect d)
{
    switch (d) {
    case Dialect::Legacy:
        return {{"POST", kCommandPath, "U=77777", Tail::Nothing, Step::Upload}};
    case Dialect::Cgi:
        return {{"POST", kCommandPath, "MM=00t=", Tail::TimeStamp, Step::Standby},
                {"POST", kCommandPath, "TCM=00t=", Tail::TimeStamp, Step::FileDelete},
                {"GET", "/update/FileCheckResult.json", "_=", Tail::TimeStamp, Step::UploadState},
                {"POST", kCommandPath, "CM=00t=", Tail::TimeStamp, Step::Upload},
                {"POST", kCommandPath, "TUM=00t=", Tail::TimeStamp, Step::ModeChange},
                {"POST", kCommandPath, "UM=00T=", Tail::ListAndTimeStamp, Step::UpdateCommand},
                {"GET", "/update/UpdateResult.json", "=_", Tail::TimeStamp, Step::UpdateResult}};
    case Dialect::Timed:
        return {{"POST", kOspreyPath, "J=", Tail::TimeStamp, Step::Standby},
                {"GET", kOspreyPath, "CIM=", Tail::TimeStamp, Step::UploadState},
                {"POST", kOspreyPath, "CM=00t=", Tail::TimeStamp, Step::Upload},
                {"GET", kOspreyPath, "CRM=", Tail::TimeStamp, Step::FileCheck},
                {"POST", kOspreyPath, "UM=00T=", Tail::ListAndTimeStamp, Step::UpdateCommand},
                {"GET", kOspreyPath, "URM=", Tail::TimeStamp, Step::UpdateResult}};
    case Dialect::Chunked:
        return {{"GET", kOspreyPath, "J=0", Tail::Token, Step::Standby},
                {"POST", kOspreyPath, "CIM=0", Tail::Token, Step::UploadState},
                {"POST", kOspreyPath, "CM=00", Tail::Token, Step::Upload},
                {"GET", kOspreyPath, "CRM=0", Tail::Token, Step::FileCheck},
                {"POST", kOspreyPath, "UM=00T=9", Tail::Token, Step::UpdateCommand},
                {"GET", kOspreyPath, "URM=0", Tail::Token, Step::UpdateResult}};
    case Dialect::Keyed:
        return {{"POST", "/upload", "", Tail::Nothing, Step::Upload}};
    case Dialect::None:
        break;
    }
    return {};
}

QString text(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes);
}

// "1,3": ascending component numbers 1-6, no spaces; empty is allowed.
bool readComponentList(const QByteArray &list, QList<int> *components)
{
    if (list.isEmpty())
        return true;
    int last = 0;
    for (const QByteArray &item : list.split(',')) {
        if (item.size() != 1 || item.at(0) < '1' || item.at(0) > '6' || item.at(0) - '0' <= last)
            return false;
        last = item.at(0) - '0';
        components->append(last);
    }
    return true;
}

void checkTail(const Form &f, const QByteArray &rest, Target *t)
{
    switch (f.tail) {
    case Tail::Nothing:
        if (!rest.isEmpty())
            t->problems << QStringLiteral("unexpected text after the query: %1").arg(text(rest));
        return;
    case Tail::TimeStamp:
        if (!isTimeStamp(rest))
            t->problems << QStringLiteral("time stamp \"%1\" is not hhmmsszzz").arg(text(rest));
        return;
    case Tail::ListAndTimeStamp: {
        const int t_ = rest.lastIndexOf("t=");
        if (t_ < 0) {
            t->problems << QStringLiteral("no \"t=\" after the component list");
            return;
        }
        if (!readComponentList(rest.left(t_), &t->components))
            t->problems << QStringLiteral("component list \"%1\" is not ascending numbers 1-6 joined by commas").arg(text(rest.left(t_)));
        if (!isTimeStamp(rest.mid(t_ + 2)))
            t->problems << QStringLiteral("time stamp \"%1\" is not hhmmsszzz").arg(text(rest.mid(t_ + 2)));
        return;
    }
    case Tail::Token:
        if (!rest.startsWith(kTokenSeparator))
            t->problems << QStringLiteral("no \"&_=\" request token after the command");
        else if (!isRequestToken(rest.mid(kTokenSeparator.size())))
            t->problems << QStringLiteral("request token \"%1\" is not a lower-case UUID").arg(text(rest.mid(kTokenSeparator.size())));
        return;
    }
}

QByteArray firstDifference(const QByteArray &expected, const QByteArray &actual, int *at)
{
    int i = 0;
    while (i < expected.size() && i < actual.size() && expected.at(i) == actual.at(i))
        ++i;
    *at = i;
    return i == expected.size() && i == actual.size() ? QByteArray() : expected.mid(i, 12);
}

QString escaped(const QByteArray &bytes)
{
    QString s;
    for (char c : bytes) {
        if (c == '\r')
            s += QStringLiteral("\\r");
        else if (c == '\n')
            s += QStringLiteral("\\n");
        else if (c >= 0x20 && c < 0x7F)
            s += QLatin1Char(c);
        else
            s += QStringLiteral("\\x%1").arg(quint8(c), 2, 16, QLatin1Char('0'));
    }
    return s;
}

const QList<QByteArray> &libraryHeaders()
{
    static const QList<QByteArray> names{"host", "connection", "accept-encoding", "accept-language",
                                         "user-agent", "content-length"};
    return names;
}

QStringList checkListed(const Headers &expected, const Headers &headers, const QList<QByteArray> &alsoAllowed)
{
    QStringList problems;
    int lastPlace = -1;
    QList<QByteArray> listed;
    for (const auto &want : expected) {
        listed << want.first.toLower();
        QList<int> places;
        for (int i = 0; i < headers.size(); ++i) {
            if (headers.at(i).first.compare(want.first, Qt::CaseInsensitive) == 0)
                places << i;
        }
        if (places.isEmpty()) {
            problems << QStringLiteral("header %1 missing").arg(text(want.first));
            continue;
        }
        if (places.size() > 1)
            problems << QStringLiteral("header %1 sent %2 times").arg(text(want.first)).arg(places.size());
        const auto &got = headers.at(places.first());
        if (got.first != want.first)
            problems << QStringLiteral("header name %1 must be written %2").arg(text(got.first), text(want.first));
        if (!want.second.isNull() && got.second != want.second)
            problems << QStringLiteral("header %1 is \"%2\", expected \"%3\"").arg(text(want.first), escaped(got.second), escaped(want.second));
        if (want.first.compare("Content-Length", Qt::CaseInsensitive) == 0)
            continue; // the library moves it
        if (places.first() < lastPlace)
            problems << QStringLiteral("header %1 out of order").arg(text(want.first));
        lastPlace = places.first();
    }
    for (const auto &h : headers) {
        const QByteArray name = h.first.toLower();
        if (!listed.contains(name) && !libraryHeaders().contains(name) && !alsoAllowed.contains(name))
            problems << QStringLiteral("unexpected header %1").arg(text(h.first));
    }
    return problems;
}

} // namespace

Dialect dialectForSeries(int series)
{
    switch (series) {
    case 1: case 2: return Dialect::Legacy;
    case 3: case 4: case 5: case 6: return Dialect::Cgi;
    case 9: return Dialect::Chunked;
    case 10: return Dialect::Timed;
    case 11: return Dialect::Keyed;
    default: return Dialect::None;
    }
}

QString dialectName(Dialect dialect)
{
    switch (dialect) {
    case Dialect::Legacy: return QStringLiteral("legacy");
    case Dialect::Cgi: return QStringLiteral("cgi");
    case Dialect::Chunked: return QStringLiteral("chunked");
    case Dialect::Timed: return QStringLiteral("timed");
    case Dialect::Keyed: return QStringLiteral("keyed");
    case Dialect::None: break;
    }
    return QStringLiteral("none");
}

static const char *const kStepNames[] = {"unknown", "standby", "fileDelete", "uploadState", "upload",
                                         "fileCheck", "modeChange", "updateCommand", "updateResult"};

QString stepName(Step step)
{
    return QString::fromLatin1(kStepNames[int(step)]);
}

Step stepFromName(const QString &name)
{
    for (int i = 1; i < int(sizeof kStepNames / sizeof *kStepNames); ++i) {
        if (name == QLatin1String(kStepNames[i]))
            return Step(i);
    }
    return Step::Unknown;
}

bool isTimeStamp(const QByteArray &t)
{
    static const QRegularExpression form(QStringLiteral("^([01][0-9]|2[0-3])[0-5][0-9][0-5][0-9][0-9]{3}$"));
    return form.match(text(t)).hasMatch();
}

bool isRequestToken(const QByteArray &t)
{
    static const QRegularExpression form(QStringLiteral("^[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}$"));
    return form.match(text(t)).hasMatch();
}

Target classify(Dialect dialect, const QByteArray &method, const QByteArray &target)
{
    Target t;
    const int q = target.indexOf('?');
    const QByteArray path = q < 0 ? target : target.left(q);
    const QByteArray query = q < 0 ? QByteArray() : target.mid(q + 1);
    const QList<Form> forms = formsOf(dialect);
    const Form *best = nullptr;
    int onPath = 0;
    const Form *onlyOnPath = nullptr;
    for (const Form &f : forms) {
        if (f.path != path)
            continue;
        ++onPath;
        onlyOnPath = &f;
        const int amp = query.indexOf('&');
        const bool fits = dialect == Dialect::Chunked ? (amp < 0 ? query : query.left(amp)) == f.prefix
                                                      : query.startsWith(f.prefix);
        if (fits && (!best || f.prefix.size() > best->prefix.size()))
            best = &f;
    }
    if (!best && onPath == 1 && !onlyOnPath->prefix.isEmpty()) {
        t.step = onlyOnPath->step;
        t.problems << QStringLiteral("query \"%1\" is not \"%2\" and its value").arg(text(query), text(onlyOnPath->prefix));
        return t;
    }
    if (!best) {
        t.problems << QStringLiteral("not a request of the %1 update interface").arg(dialectName(dialect));
        return t;
    }
    t.step = best->step;
    if (method != best->method)
        t.problems << QStringLiteral("method %1, expected %2").arg(text(method), QLatin1String(best->method));
    if (best->prefix.isEmpty() && q >= 0)
        t.problems << QStringLiteral("unexpected query \"%1\"").arg(text(query));
    else
        checkTail(*best, query.mid(best->prefix.size()), &t);
    return t;
}

HeaderSet headerSetFor(Dialect dialect, Step step, const QByteArray &method)
{
    switch (dialect) {
    case Dialect::Chunked:
        return method == "GET" ? HeaderSet::ChunkedGet : HeaderSet::ChunkedPost;
    case Dialect::Timed:
        return step == Step::Upload ? HeaderSet::D2 : method == "GET" ? HeaderSet::B : HeaderSet::A;
    case Dialect::Cgi:
        return step == Step::Upload ? HeaderSet::D1 : method == "GET" ? HeaderSet::J : HeaderSet::A;
    default:
        return HeaderSet::D1;
    }
}

QStringList checkHeaders(HeaderSet set, const Headers &headers, const QByteArray &displayHost, qint64 bodyLength)
{
    const QByteArray length = QByteArray::number(bodyLength);
    const Headers commandStart{{"X-Requested-With", "XMLHttpRequest"}, {"Accept", "text/plain, */*"},
                               {"Accept-Language", "ja"}, {"Content-type", "text/plain;charset=UTF-8"},
                               {"Accept-Encoding", "gzip, deflate"}, {"Host", displayHost}};
    const Headers commandEnd{{"Connection", "Keep-Alive"}, {"Cache-Control", "no-cache"}};
    // The fixed host name of the hand-built multipart requests is not checked
    // by value (a null value), only that it is not the display's address.
    const auto multipart = [&](const QByteArray &type) {
        return Headers{{"Host", QByteArray()}, {"Content-type", type}, {"Cache-Control", "no-cache"},
                       {"Accept", "*/*"}, {"Content-Length", length}};
    };
    Headers expected;
    switch (set) {
    case HeaderSet::A: expected = commandStart + Headers{{"Content-Length", length}} + commandEnd; break;
    case HeaderSet::B: expected = commandStart + commandEnd; break;
    case HeaderSet::J:
        expected = {{"X-Requested-With", "XMLHttpRequest"}, {"Accept", "application/json, text/javascript, */*"},
                    {"Accept-Language", "ja"}, {"Accept-Encoding", "gzip, deflate"}, {"Host", displayHost},
                    {"Connection", "Keep-Alive"}};
        break;
    case HeaderSet::D1: expected = multipart("multipart/form-data, boundary=" + kBoundary); break;
    case HeaderSet::D2: expected = multipart("multipart/form-data; boundary=" + kBoundary); break;
    case HeaderSet::ChunkedGet: break;
    case HeaderSet::ChunkedPost: expected = {{"Content-Type", "application/x-www-form-urlencoded"}}; break;
    }
    QStringList problems = checkListed(expected, headers, {});
    if (set == HeaderSet::D1 || set == HeaderSet::D2) {
        for (const auto &h : headers) {
            if (h.first.compare("Host", Qt::CaseInsensitive) == 0 && (h.second.isEmpty() || h.second == displayHost))
                problems << QStringLiteral("Host must be a fixed host name, not \"%1\"").arg(text(h.second));
        }
    }
    return problems;
}

QStringList checkCommandBody(Dialect dialect, Step step, const QByteArray &body)
{
    const bool undefined = (dialect == Dialect::Cgi || dialect == Dialect::Timed)
                           && (step == Step::Standby || step == Step::FileDelete);
    const QByteArray expected = undefined ? QByteArrayLiteral("undefined\r\n") : QByteArray();
    if (body == expected || step == Step::Upload || step == Step::Unknown)
        return {};
    return {QStringLiteral("body \"%1\", expected \"%2\"").arg(escaped(body.left(40)), escaped(expected))};
}

QStringList checkKeyedHeaders(const Headers &headers, const QByteArray &expectedKey, QByteArray *boundary)
{
    QStringList problems = checkListed({{"X-Api-Key", expectedKey}}, headers, {"content-type", "mime-version"});
    boundary->clear();
    for (const auto &h : headers) {
        if (h.first.compare("Content-Type", Qt::CaseInsensitive) != 0)
            continue;
        static const QRegularExpression form(QStringLiteral("^multipart/form-data; *boundary=\"?([^\"]+)\"?$"));
        const QRegularExpressionMatch m = form.match(text(h.second));
        if (m.hasMatch())
            *boundary = m.captured(1).toLatin1();
    }
    if (boundary->isEmpty())
        problems << QStringLiteral("no multipart/form-data content type with a boundary");
    return problems;
}

QByteArray uploadKey(qint64 token)
{
    const QByteArray text = kUploadSalt + QByteArray::number(token, 16) + '\n';
    return QCryptographicHash::hash(text, QCryptographicHash::Md5).toHex();
}

MultipartReader::MultipartReader(Multipart form, const QByteArray &boundary)
    : m_form(form), m_boundary(boundary), m_suffix("\r\n--" + boundary + "--\r\n")
{
}

void MultipartReader::write(const QByteArray &bytes)
{
    if (m_headDone) {
        addFileBytes(bytes);
        return;
    }
    m_head += bytes;
    // The file part starts after the second empty line of M1 (the e-mail
    // part has one), after the first of the others.
    int end = m_head.indexOf("\r\n\r\n");
    if (end >= 0 && m_form == Multipart::M1)
        end = m_head.indexOf("\r\n\r\n", end + 4);
    if (end < 0) {
        if (m_head.size() > kMaxMultipartHead) {
            m_problems << QStringLiteral("no file part header in the first %1 bytes").arg(kMaxMultipartHead);
            m_headDone = true;
            m_head.clear();
        }
        return;
    }
    const QByteArray rest = m_head.mid(end + 4);
    m_head.truncate(end + 4);
    m_headDone = true;
    checkHead();
    addFileBytes(rest);
}

void MultipartReader::checkHead()
{
    const QByteArray dash = "--" + m_boundary + "\r\n";
    const QByteArray emailPart = dash + "Content-Disposition: form-data; name=\"email\"\r\n\r\n";
    const QByteArray name = m_form == Multipart::Keyed ? QByteArrayLiteral("file") : QByteArrayLiteral("updatefile");
    const QByteArray filePart = dash + "Content-Disposition: form-data; name=\"" + name + "\"; filename=\"";
    const QByteArray fileEnd = m_form == Multipart::Keyed ? QByteArrayLiteral("\"\r\n\r\n")
                                                          : QByteArrayLiteral("\"\r\nContent-Transfer-Encoding: binary\r\n\r\n");
    // Take the variable texts from where they should be, then compare the
    // whole head with the form they make.
    QByteArray email;
    if (m_form == Multipart::M1) {
        const int eol = m_head.indexOf("\r\n", emailPart.size());
        email = m_head.mid(emailPart.size(), eol - emailPart.size());
        static const QRegularExpression address(QStringLiteral("^[^@\\s\"]+@[^@\\s\"]+$"));
        if (!address.match(text(email)).hasMatch())
            m_problems << QStringLiteral("e-mail part \"%1\" is not an address").arg(escaped(email));
    }
    const int nameStart = m_head.lastIndexOf("filename=\"") + 10;
    m_fileName = m_head.mid(nameStart, m_head.indexOf('"', nameStart) - nameStart);
    if (m_fileName.isEmpty() || m_fileName.contains('\r') || m_fileName.contains('\n'))
        m_problems << QStringLiteral("no file name");
    else if (m_form != Multipart::Keyed && (m_fileName.contains('/') || m_fileName.contains('\\')))
        m_problems << QStringLiteral("file name \"%1\" has a folder").arg(text(m_fileName));
    const QByteArray expected = (m_form == Multipart::M1 ? emailPart + email + "\r\n" : QByteArray())
                                + filePart + m_fileName + fileEnd;
    int at = 0;
    const QByteArray want = firstDifference(expected, m_head, &at);
    if (expected != m_head)
        m_problems << QStringLiteral("multipart head differs at byte %1: expected \"%2\", got \"%3\"")
                          .arg(at).arg(escaped(want), escaped(m_head.mid(at, 12)));
}

void MultipartReader::addFileBytes(const QByteArray &bytes)
{
    m_tail += bytes;
    const int spare = m_tail.size() - m_suffix.size();
    if (spare <= 0)
        return;
    m_md5.addData(m_tail.constData(), spare);
    m_fileBytes += spare;
    m_tail.remove(0, spare);
}

QStringList MultipartReader::finish()
{
    if (!m_headDone)
        m_problems << QStringLiteral("body ends before the file part");
    else if (m_tail != m_suffix)
        m_problems << QStringLiteral("multipart end is \"%1\", expected \"%2\"").arg(escaped(m_tail), escaped(m_suffix));
    return m_problems;
}

QStringList checkMultipart(Multipart form, const QByteArray &body, const QByteArray &boundary)
{
    MultipartReader reader(form, boundary);
    reader.write(body);
    return reader.finish();
}

} // namespace UpdateRequest
