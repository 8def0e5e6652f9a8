#pragma once

#include <QByteArray>
#include <QCryptographicHash>
#include <QList>
#include <QPair>
#include <QStringList>

// What a display's web server relies on in the requests of a firmware
// update, as plain checks: which request of its dialect a method and target
// are, the header sets, the hand-built and library-built multipart bodies
// and the keyed dialect's upload key. Every check returns the problems it
// found as short texts (empty: the request is as a correct client sends it).
namespace UpdateRequest {

enum class Dialect { None, Legacy, Cgi, Chunked, Timed, Keyed };

// The dialect of a series number (1-11); anything else has none.
Dialect dialectForSeries(int series);
QString dialectName(Dialect dialect);

enum class Step {
    Unknown,
    Standby,
    FileDelete,
    UploadState,   // also the CGI file check: the same request
    Upload,        // file upload, component upload, chunk or announcement
    FileCheck,
    ModeChange,
    UpdateCommand,
    UpdateResult,
};
QString stepName(Step step);
Step stepFromName(const QString &name); // Unknown for an unknown name

struct Target
{
    Step step = Step::Unknown;
    QList<int> components; // the update command's component list (1-based)
    QStringList problems;
};

// Which request of `dialect` this is; the time stamp, request token and
// component list forms are checked too.
Target classify(Dialect dialect, const QByteArray &method, const QByteArray &target);

// "hhmmsszzz": nine digits of a valid time of day.
bool isTimeStamp(const QByteArray &text);
// A UUID in its 36-character lower-case text with hyphens, no braces.
bool isRequestToken(const QByteArray &text);

enum class HeaderSet { A, B, J, D1, D2, ChunkedGet, ChunkedPost };
using Headers = QList<QPair<QByteArray, QByteArray>>;

// The header set a display expects for a request of this dialect and step.
HeaderSet headerSetFor(Dialect dialect, Step step, const QByteArray &method);

// Listed headers: present once, names and values byte for byte, in the
// listed order. Content-Length (where listed) must give `bodyLength`; its
// place, like that of headers the HTTP library adds by itself (Host where not
// listed, Connection, Accept-Encoding, Accept-Language, User-Agent), is the
// library's. Any other header is a problem. `displayHost` is the address
// asked; the fixed Host of D1/D2 must not be it.
QStringList checkHeaders(HeaderSet set, const Headers &headers, const QByteArray &displayHost, qint64 bodyLength);

// The body of a request other than an upload: "undefined\r\n" for the
// standby and file delete commands with header set A, empty for the other
// commands and queries.
QStringList checkCommandBody(Dialect dialect, Step step, const QByteArray &body);

// The keyed upload's headers: X-Api-Key equal to `expectedKey`, a
// multipart/form-data content type whose boundary is written to `*boundary`.
QStringList checkKeyedHeaders(const Headers &headers, const QByteArray &expectedKey, QByteArray *boundary);

// The key a keyed display expects for the upload token it handed out: MD5 of
// the salt, the token in lower-case base 16 and LF, in lower-case hex.
QByteArray uploadKey(qint64 token);

// The bytes that must precede and follow the firmware file in a body.
enum class Multipart { M1, M2, Keyed };

// Reads a multipart upload body piece by piece: checks the framing byte for
// byte and hashes the file part (MD5 and size) without keeping it.
class MultipartReader
{
public:
    explicit MultipartReader(Multipart form, const QByteArray &boundary = QByteArrayLiteral("AaB03x"));

    void write(const QByteArray &bytes);
    // After the whole body: the framing problems (empty: as expected).
    QStringList finish();

    QByteArray fileName() const { return m_fileName; }
    qint64 fileSize() const { return m_fileBytes; }
    QByteArray md5Hex() const { return m_md5.result().toHex(); }

private:
    void checkHead();
    void addFileBytes(const QByteArray &bytes);

    Multipart m_form;
    QByteArray m_boundary;
    QByteArray m_suffix;
    QByteArray m_head;
    bool m_headDone = false;
    QByteArray m_tail; // the last bytes, held back until they are known not to be the suffix
    QByteArray m_fileName;
    qint64 m_fileBytes = 0;
    QCryptographicHash m_md5{QCryptographicHash::Md5};
    QStringList m_problems;
};

// Checks a whole body at once (tests, small bodies).
QStringList checkMultipart(Multipart form, const QByteArray &body, const QByteArray &boundary = QByteArrayLiteral("AaB03x"));

} // namespace UpdateRequest
