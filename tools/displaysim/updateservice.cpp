#include "displaysim/updateservice.h"

#include "simnet/eventlog.h"

#include <QJsonArray>
#include <QTimer>

using namespace UpdateRequest;

namespace {

constexpr int kChunkBytes = 512000;
constexpr int kSlots = 6;
constexpr int kSmallBodyBytes = 64 * 1024;
constexpr int kFailedCode = 500;
constexpr int kCheckFailedCode = 201;
const QByteArray kWritten = QByteArrayLiteral("<html><body><p>File written successfully</p></body></html>");
const QByteArray kWriting = QByteArrayLiteral("<html><body><p>Image file writing.</p></body></html>");
const QByteArray kWriteFailed = QByteArrayLiteral("<html><body><p>Upload failed</p></body></html>");

QString phaseName(int phase)
{
    static const char *const names[] = {"idle", "standby", "receiving", "checking", "checked", "updating", "done", "failed"};
    return QString::fromLatin1(names[phase]);
}

HttpResponse text(const QByteArray &body, const QByteArray &type = "text/plain")
{
    HttpResponse r;
    r.contentType = type;
    r.body = body;
    return r;
}

// Steps whose reply a client judges by "OK".
bool answersOk(Dialect d, Step s)
{
    if (d == Dialect::Cgi)
        return s == Step::Standby || s == Step::FileDelete || s == Step::Upload || s == Step::ModeChange
               || s == Step::UpdateCommand;
    return d == Dialect::Timed && (s == Step::Upload || s == Step::UpdateCommand);
}

// Chunked replies come as a display writes them: a comment line and
// trailing commas.
QByteArray lenient(const QByteArray &comment, const QList<QPair<QByteArray, QByteArray>> &members)
{
    QByteArray out = "{\n  // " + comment + "\n";
    for (const auto &m : members)
        out += "  \"" + m.first + "\": " + m.second + ",\n";
    return out + "}\n";
}

} // namespace

// One update request: its checks so far and its body as it arrives.
class UpdateService::Sink : public HttpBodySink
{
public:
    enum class Kind { Small, Multipart, Chunk };

    Sink(UpdateService *owner, HttpRequest request, QHostAddress address, Target checked)
        : service(owner), head(std::move(request)), local(std::move(address)), target(std::move(checked))
    {
    }

    void write(const QByteArray &bytes) override
    {
        received += bytes.size();
        if (kind == Kind::Multipart) {
            reader->write(bytes);
            service->uploadProgress(received, head.contentLength);
        } else if (kind == Kind::Chunk) {
            service->m_chunkHash.addData(bytes);
        } else if (body.size() + bytes.size() <= kSmallBodyBytes) {
            body += bytes;
        }
    }
    HttpResponse finish() override { return service->answer(*this); }
    qint64 bytesPerSecond() const override
    {
        return kind == Kind::Small ? 0 : service->m_config.updateFaults.uploadBytesPerSecond;
    }

    UpdateService *service;
    HttpRequest head;
    QHostAddress local;
    Target target;
    Kind kind = Kind::Small;
    std::unique_ptr<MultipartReader> reader;
    QByteArray body;
    qint64 received = 0;
    int keyStatus = 0; // 403 when the keyed upload's key is wrong
};

UpdateService::UpdateService(const DisplayConfig &config, DisplayState &state, const EventLog &log, QObject *parent)
    : QObject(parent), m_config(config), m_state(state), m_log(log),
      m_dialect(dialectForSeries(config.dialectSeries()))
{
    m_clock.start();
}

void UpdateService::addRoutes(HttpServer &server, const QHostAddress &local)
{
    QList<QByteArray> paths;
    switch (m_dialect) {
    case Dialect::None: return;
    case Dialect::Legacy: paths = {"/cgi-bin/cgictrl"}; break;
    case Dialect::Cgi: paths = {"/cgi-bin/cgictrl", "/update/FileCheckResult.json", "/update/UpdateResult.json"}; break;
    case Dialect::Chunked: case Dialect::Timed: paths = {"/pjctrl"}; break;
    case Dialect::Keyed: paths = {"/upload"}; break;
    }
    // Both methods on every path, so that a wrong method is reported as such.
    for (const QByteArray &path : qAsConst(paths)) {
        for (const char *method : {"GET", "POST"})
            server.addStreamRoute(method, path, [this, local](const HttpRequest &head) { return open(head, local); });
    }
}

QJsonObject UpdateService::event() const
{
    return {{QStringLiteral("display"), m_config.address.toString()},
            {QStringLiteral("dialect"), dialectName(m_dialect)}};
}

std::unique_ptr<HttpBodySink> UpdateService::open(const HttpRequest &head, const QHostAddress &local)
{
    settle();
    auto sink = std::make_unique<Sink>(this, head, local, classify(m_dialect, head.method, head.target));
    Target &t = sink->target;
    // The CGI upload state query is the file check once a file has arrived.
    if (m_dialect == Dialect::Cgi && t.step == Step::UploadState && m_phase >= Phase::Checking)
        t.step = Step::FileCheck;
    const QByteArray host = local.toString().toLatin1();
    if (m_dialect == Dialect::Keyed) {
        QByteArray boundary;
        const QByteArray key = uploadKey(m_config.expectedToken());
        const QStringList problems = checkKeyedHeaders(head.headerList, key, &boundary);
        if (head.headers.value("x-api-key") != key)
            sink->keyStatus = 403;
        if (!m_state.uploadRequested) {
            t.problems << QStringLiteral("no upload token requested over the control connection");
            sink->keyStatus = 403;
        }
        t.problems << problems;
        sink->reader = std::make_unique<MultipartReader>(Multipart::Keyed, boundary);
    } else if (t.step != Step::Unknown) {
        t.problems << checkHeaders(headerSetFor(m_dialect, t.step, head.method), head.headerList, host, head.contentLength);
        if (t.step == Step::Upload && m_dialect != Dialect::Chunked)
            sink->reader = std::make_unique<MultipartReader>(m_dialect == Dialect::Timed ? Multipart::M2 : Multipart::M1);
    }
    if (sink->reader) {
        sink->kind = Sink::Kind::Multipart;
        m_uploadStartMs = m_clock.elapsed();
        m_progressStep = -1;
    } else if (m_dialect == Dialect::Chunked && t.step == Step::Upload && m_phase == Phase::Receiving && t.problems.isEmpty()) {
        sink->kind = Sink::Kind::Chunk;
    }
    return sink;
}

const UpdateStepFault *UpdateService::takeFault(Step step)
{
    const UpdateFaults &f = m_config.updateFaults;
    const QString name = stepName(step);
    const std::pair<const UpdateStepFault *, int *> faults[] = {{&f.reject, &m_rejectUses},
                                                                {&f.drop, &m_dropUses},
                                                                {&f.noAnswer, &m_noAnswerUses},
                                                                {&f.errorStatus, &m_errorStatusUses}};
    for (const auto &candidate : faults) {
        const UpdateStepFault *fault = candidate.first;
        if (fault->step != name || (fault->times >= 0 && *candidate.second >= fault->times))
            continue;
        ++*candidate.second;
        return fault;
    }
    return nullptr;
}

bool UpdateService::notYet(Step step) const
{
    return m_config.updateFaults.notYet == stepName(step);
}

HttpResponse UpdateService::rejection(Step step, int status) const
{
    if (step == Step::Unknown)
        return HttpResponse::error(404);
    if (m_dialect == Dialect::Legacy)
        return text(kWriteFailed, "text/html");
    if (answersOk(m_dialect, step))
        return text("NG\r\n");
    return HttpResponse::error(status ? status : m_dialect == Dialect::Keyed ? 500 : 400);
}

HttpResponse UpdateService::answer(Sink &sink)
{
    settle();
    const Step step = sink.target.step;
    QStringList problems = sink.target.problems;
    if (sink.reader)
        problems << sink.reader->finish();
    else if (sink.kind == Sink::Kind::Small)
        problems << checkCommandBody(m_dialect, step, sink.body);
    const UpdateStepFault *fault = problems.isEmpty() ? takeFault(step) : nullptr;
    const UpdateFaults &f = m_config.updateFaults;
    QString verdict = QStringLiteral("accepted");
    HttpResponse r;
    if (fault == &f.drop) {
        r.drop = true;
        verdict = QStringLiteral("dropped");
    } else if (fault == &f.noAnswer) {
        r.delivery = HttpResponse::Delivery::NoAnswer;
        verdict = QStringLiteral("unanswered");
    } else if (fault == &f.errorStatus) {
        const QByteArray title = QByteArray::number(f.errorStatusCode) + ' ' + HttpMessage::reasonPhrase(f.errorStatusCode);
        r = text("<html><head><title>" + title + "</title></head><body><h1>" + title + "</h1></body></html>", "text/html");
        r.status = f.errorStatusCode;
        verdict = QStringLiteral("rejected");
    } else if (fault == &f.reject || !problems.isEmpty()) {
        r = rejection(step, sink.keyStatus);
        verdict = QStringLiteral("rejected");
    } else {
        r = proceed(sink, &problems);
        if (!problems.isEmpty())
            verdict = QStringLiteral("rejected");
    }
    if (sink.kind == Sink::Kind::Chunk && verdict != QLatin1String("accepted") && m_phase == Phase::Receiving)
        enter(Phase::Standby); // the chunk is lost: the upload must start again

    QJsonObject e = event();
    e.insert(QStringLiteral("address"), sink.local.toString());
    e.insert(QStringLiteral("step"), stepName(step));
    e.insert(QStringLiteral("method"), QString::fromLatin1(sink.head.method));
    e.insert(QStringLiteral("path"), QString::fromLatin1(sink.head.target));
    e.insert(QStringLiteral("bodySize"), sink.received);
    e.insert(QStringLiteral("verdict"), verdict);
    if (!problems.isEmpty())
        e.insert(QStringLiteral("problems"), QJsonArray::fromStringList(problems));
    if (fault)
        e.insert(QStringLiteral("fault"), fault == &f.drop ? QStringLiteral("drop")
                                          : fault == &f.noAnswer ? QStringLiteral("noAnswer")
                                          : fault == &f.errorStatus ? QStringLiteral("errorStatus") : QStringLiteral("reject"));
    e.insert(QStringLiteral("status"), r.status);
    e.insert(QStringLiteral("phase"), phaseName(int(m_phase)));
    m_log.write(QStringLiteral("updateRequest"), e);
    return r;
}

HttpResponse UpdateService::proceed(Sink &sink, QStringList *problems)
{
    const Step step = sink.target.step;
    const auto outOfOrder = [&](const QString &why) {
        *problems << why;
        return rejection(step);
    };
    const bool updating = m_phase == Phase::Updating;
    switch (step) {
    case Step::Standby:
        if (updating)
            return outOfOrder(QStringLiteral("an update is running"));
        enter(Phase::Standby);
        return text(m_dialect == Dialect::Chunked ? lenient("standby", {{"result", "0"}}) : QByteArray("OK\r\n"));
    case Step::FileDelete:
        if (m_phase == Phase::Idle || updating)
            return outOfOrder(QStringLiteral("file delete outside update mode"));
        enter(Phase::Standby);
        return text("OK\r\n");
    case Step::UploadState:
        if (m_dialect == Dialect::Chunked) {
            if (m_phase == Phase::Idle)
                return outOfOrder(QStringLiteral("upload state before the standby command"));
            return text(lenient("upload state", {{"upload", notYet(step) ? "\"0\"" : "\"1\""}}), "application/json");
        }
        return text(fileCheckDocument(true), "application/json");
    case Step::FileCheck:
        return text(fileCheckDocument(false), "application/json");
    case Step::Upload:
        return m_dialect == Dialect::Chunked ? chunk(sink, problems) : upload(sink, problems);
    case Step::ModeChange:
        if (m_phase != Phase::Checked || m_config.updateFaults.fileCheckFails)
            return outOfOrder(QStringLiteral("mode change without a checked firmware file"));
        return text("OK\r\n");
    case Step::UpdateCommand: {
        if (m_phase != Phase::Checked || m_config.updateFaults.fileCheckFails)
            return outOfOrder(QStringLiteral("update command without a checked firmware file"));
        m_components = sink.target.components;
        if (m_dialect == Dialect::Chunked) {
            m_components.clear();
            for (int i = 1; i <= componentCount(); ++i)
                m_components << i;
        }
        enter(Phase::Updating, UpdateDuration::scaled(m_config, UpdateDuration::kUpdateMs));
        return text(m_dialect == Dialect::Chunked ? lenient("update", {{"result", "0"}}) : QByteArray("OK\r\n"));
    }
    case Step::UpdateResult:
        if (m_phase < Phase::Updating)
            return outOfOrder(QStringLiteral("update result asked before the update command"));
        reportResult();
        return text(updateResultDocument(), "application/json");
    case Step::Unknown:
        break;
    }
    return rejection(step);
}

HttpResponse UpdateService::upload(Sink &sink, QStringList *problems)
{
    const MultipartReader &reader = *sink.reader;
    const bool ready = m_dialect == Dialect::Legacy || m_dialect == Dialect::Keyed
                       || (m_phase >= Phase::Standby && m_phase <= Phase::Checked);
    if (!ready) {
        *problems << QStringLiteral("upload outside update mode");
        return rejection(Step::Upload);
    }
    fileReceived(reader.fileName(), reader.fileSize(), reader.md5Hex());
    switch (m_dialect) {
    case Dialect::Keyed:
        m_state.firmwareReceived = true;
        return text("OK");
    case Dialect::Legacy: {
        if (!m_legacyFiles.contains(reader.fileName()))
            m_legacyFiles << reader.fileName();
        const int component = int(m_legacyFiles.indexOf(reader.fileName())) + 1;
        QJsonObject e = event();
        e.insert(QStringLiteral("component"), component);
        if (component == m_config.updateFaults.updateFails) {
            e.insert(QStringLiteral("result"), QStringLiteral("failed"));
            m_log.write(QStringLiteral("updateResult"), e);
            return text(kWriteFailed, "text/html");
        }
        m_state.installNewFirmware(m_config);
        e.insert(QStringLiteral("result"), QStringLiteral("success"));
        e.insert(QStringLiteral("firmware"), QString::fromUtf8(m_state.currentFirmware));
        m_log.write(QStringLiteral("updateResult"), e);
        if (m_config.updateFaults.imageWriting)
            return text(kWriting, "text/html"); // still writing in the background
        HttpResponse r = text(kWritten, "text/html");
        r.delayMs = UpdateDuration::scaled(m_config, UpdateDuration::kLegacyWriteMs);
        return r;
    }
    default:
        enter(Phase::Checking, UpdateDuration::scaled(m_config, UpdateDuration::kFileCheckMs));
        return text("OK\r\n");
    }
}

HttpResponse UpdateService::chunk(Sink &sink, QStringList *problems)
{
    if (sink.kind != Sink::Kind::Chunk) { // the announcement
        const QByteArray size = sink.body.startsWith("filesize=") ? sink.body.mid(9) : QByteArray();
        bool ok = false;
        const qint64 announced = size.toLongLong(&ok);
        if (!ok || announced <= 0 || size != QByteArray::number(announced))
            *problems << QStringLiteral("announcement \"%1\" is not filesize=<bytes>").arg(QString::fromLatin1(sink.body.left(40)));
        else if (m_phase == Phase::Idle || m_phase == Phase::Updating)
            *problems << QStringLiteral("upload announcement outside update mode");
        if (!problems->isEmpty())
            return rejection(Step::Upload);
        enter(Phase::Receiving);
        m_announced = announced;
        m_chunked = 0;
        m_chunkHash.reset();
        m_uploadStartMs = m_clock.elapsed();
        m_progressStep = -1;
        return text(lenient("upload", {{"result", "0"}}));
    }
    m_chunked += sink.received;
    if (sink.received > kChunkBytes)
        *problems << QStringLiteral("chunk of %1 bytes, more than %2").arg(sink.received).arg(kChunkBytes);
    else if (sink.received < kChunkBytes && m_chunked != m_announced)
        *problems << QStringLiteral("short chunk of %1 bytes before the end").arg(sink.received);
    if (m_chunked > m_announced)
        *problems << QStringLiteral("%1 bytes received, %2 announced").arg(m_chunked).arg(m_announced);
    if (!problems->isEmpty())
        return rejection(Step::Upload);
    uploadProgress(m_chunked, m_announced);
    if (m_chunked == m_announced) {
        fileReceived(QByteArray(), m_chunked, m_chunkHash.result().toHex());
        enter(Phase::Checking, UpdateDuration::scaled(m_config, UpdateDuration::kFileCheckMs));
    }
    return text(lenient("upload", {{"result", "0"}}));
}

void UpdateService::uploadProgress(qint64 bytes, qint64 total)
{
    const int tenth = total > 0 ? int(bytes * 10 / total) : 10;
    if (tenth == m_progressStep)
        return;
    m_progressStep = tenth;
    QJsonObject e = event();
    e.insert(QStringLiteral("bytes"), bytes);
    e.insert(QStringLiteral("total"), total);
    e.insert(QStringLiteral("percent"), total > 0 ? int(bytes * 100 / total) : 100);
    m_log.write(QStringLiteral("uploadProgress"), e);
}

void UpdateService::fileReceived(const QByteArray &name, qint64 size, const QByteArray &md5)
{
    QJsonObject e = event();
    if (!name.isEmpty())
        e.insert(QStringLiteral("fileName"), QString::fromUtf8(name));
    e.insert(QStringLiteral("size"), size);
    e.insert(QStringLiteral("md5"), QString::fromLatin1(md5));
    e.insert(QStringLiteral("seconds"), (m_clock.elapsed() - m_uploadStartMs) / 1000.0);
    m_log.write(QStringLiteral("uploadComplete"), e);
}

void UpdateService::enter(Phase phase, int durationMs)
{
    m_phase = phase;
    m_phaseStartMs = m_clock.elapsed();
    m_phaseMs = durationMs;
    QJsonObject e = event();
    e.insert(QStringLiteral("phase"), phaseName(int(phase)));
    if (durationMs > 0) {
        e.insert(QStringLiteral("durationMs"), durationMs);
        QTimer::singleShot(durationMs, this, &UpdateService::settle);
    }
    if (phase == Phase::Updating) {
        m_resultReported = false;
        QJsonArray components;
        for (int c : qAsConst(m_components))
            components.append(c);
        e.insert(QStringLiteral("components"), components);
    }
    m_log.write(QStringLiteral("updatePhase"), e);
}

void UpdateService::settle()
{
    const bool over = m_clock.elapsed() - m_phaseStartMs >= m_phaseMs;
    if (m_phase == Phase::Checking && over)
        enter(Phase::Checked);
    else if (m_phase == Phase::Updating && over && !notYet(Step::UpdateResult))
        finishUpdate(!m_components.contains(m_config.updateFaults.updateFails));
}

void UpdateService::finishUpdate(bool ok)
{
    if (ok)
        m_state.installNewFirmware(m_config);
    enter(ok ? Phase::Done : Phase::Failed);
}

// The display tells a client how its update ended: the first update result
// reply after the end.
void UpdateService::reportResult()
{
    if (m_phase < Phase::Done || m_resultReported)
        return;
    m_resultReported = true;
    const bool ok = m_phase == Phase::Done;
    QJsonObject e = event();
    e.insert(QStringLiteral("result"), ok ? QStringLiteral("success") : QStringLiteral("failed"));
    e.insert(QStringLiteral("firmware"), QString::fromUtf8(m_state.currentFirmware));
    if (!ok)
        e.insert(QStringLiteral("component"), m_config.updateFaults.updateFails);
    m_log.write(QStringLiteral("updateResult"), e);
}

int UpdateService::componentCount() const
{
    int n = 0;
    for (const QByteArray &v : m_state.fwVersions)
        n += !v.isEmpty();
    return qBound(1, n, 4);
}

QByteArray UpdateService::fileCheckDocument(bool countStateQuery)
{
    int upload = m_phase == Phase::Idle ? 0 : m_phase <= Phase::Receiving ? 1 : 2;
    if (countStateQuery && m_phase == Phase::Standby && m_stateQueries++ < m_config.updateFaults.uploadStateZero)
        upload = 0;
    if (upload == 1 && notYet(Step::UploadState))
        upload = 0;
    // A check that never ends stays at one percentage.
    const bool stuck = upload == 2 && notYet(Step::FileCheck);
    const bool checking = m_phase == Phase::Checking || stuck;
    const qint64 percent = stuck ? 50 : checking ? qMin<qint64>(99, (m_clock.elapsed() - m_phaseStartMs) * 100 / qMax(1, m_phaseMs)) : 100;
    QList<int> codes;
    for (int slot = 1; slot <= kSlots; ++slot)
        codes << (checking ? 0 : slot == m_config.updateFaults.fileCheckFails ? kCheckFailedCode : 100);
    if (m_dialect == Dialect::Chunked) {
        QByteArray list = "[\n";
        for (int c : qAsConst(codes))
            list += "    {\"result_code\": " + QByteArray::number(c) + ",},\n";
        return lenient("file check", {{"upload", '"' + QByteArray::number(upload) + '"'},
                                      {"paccheck_result", '"' + QByteArray::number(percent) + '"'},
                                      {"fwcheck_result", list + "  ]"}});
    }
    QByteArray out = "{\"upload\":" + QByteArray::number(upload);
    if (upload == 2) {
        out += ",\"paccheck_result\":" + QByteArray::number(percent) + ",\"fwcheck_result\":[";
        for (int i = 0; i < codes.size(); ++i)
            out += (i ? ",{\"result_code\":" : "{\"result_code\":") + QByteArray::number(codes.at(i)) + '}';
        out += ']';
    }
    return out + '}';
}

qint64 UpdateService::updateElapsedMs() const
{
    return m_phase == Phase::Updating ? m_clock.elapsed() - m_phaseStartMs : qint64(UpdateDuration::scaled(m_config, UpdateDuration::kUpdateMs));
}

// The result code of component `slot` (1-based): 0-100 percent while it is
// updated, 202 waiting, 204 done, kFailedCode failed (from half its time on).
int UpdateService::componentCode(int slot) const
{
    const int index = int(m_components.indexOf(slot));
    if (index < 0)
        return 204;
    if (notYet(Step::UpdateResult))
        return 202; // waiting for ever
    const qint64 share = qMax<qint64>(1, UpdateDuration::scaled(m_config, UpdateDuration::kUpdateMs) / m_components.size());
    const qint64 own = updateElapsedMs() - index * share;
    if (slot == m_config.updateFaults.updateFails && own >= share / 2)
        return kFailedCode;
    if (own >= share)
        return 204;
    return own < 0 ? 202 : int(own * 100 / share);
}

QByteArray UpdateService::updateResultDocument() const
{
    if (m_dialect != Dialect::Chunked) {
        QByteArray out = "{\"update_result\":[";
        for (int slot = 1; slot <= kSlots; ++slot)
            out += (slot > 1 ? ",{\"result_code\":" : "{\"result_code\":") + QByteArray::number(componentCode(slot)) + '}';
        return out + "]}";
    }
    // One component at a time: the one being updated, a failed one, or the
    // last one done (204). Just after a component ends it reads 202.
    int firmware = int(m_components.size());
    int code = 204;
    for (int i = 0; i < m_components.size(); ++i) {
        const int c = componentCode(m_components.at(i));
        if (c == 204)
            continue;
        firmware = m_components.at(i);
        code = c;
        const qint64 share = qMax<qint64>(1, UpdateDuration::scaled(m_config, UpdateDuration::kUpdateMs) / m_components.size());
        if (i > 0 && c != kFailedCode && updateElapsedMs() - i * share < share / 20) {
            firmware = m_components.at(i - 1);
            code = 202;
        }
        break;
    }
    const QByteArray status = "[\n    {\"result_code\": " + QByteArray::number(code) + ", \"Firmware\": "
                              + QByteArray::number(firmware) + ",},\n  ]";
    return lenient("update status", {{"update_sts", status}});
}
