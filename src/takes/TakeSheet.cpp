#include "takes/TakeSheet.h"

#include "model/HandOver.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QThread>

#include <functional>
#include <utility>

namespace quorvel {

namespace {

const QString columns = QStringLiteral(
    "id, daw, project, projectPath, piece, take, started, ended, folder, files, mark, note");

// Times are stored as ISO 8601 with the offset they were taken at, so that a sheet read in
// another time zone (or after a change of daylight saving time) still says when it was.
QString timeText(const QDateTime& time)
{
    return time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODateWithMs);
}

QDateTime timeFromText(const QString& text)
{
    return QDateTime::fromString(text, Qt::ISODateWithMs);
}

QString filesText(const QStringList& files)
{
    return QString::fromUtf8(
        QJsonDocument(QJsonArray::fromStringList(files)).toJson(QJsonDocument::Compact));
}

QStringList filesFromText(const QString& text)
{
    QStringList files;
    for (const QJsonValue& value : QJsonDocument::fromJson(text.toUtf8()).array())
        files << value.toString();
    return files;
}

TakeEntry entryFrom(const QSqlQuery& row)
{
    TakeEntry entry;
    entry.id = row.value(0).toLongLong();
    entry.daw = row.value(1).toString();
    entry.project = row.value(2).toString();
    entry.projectPath = row.value(3).toString();
    entry.piece = row.value(4).toString();
    entry.take = row.value(5).toString();
    entry.started = timeFromText(row.value(6).toString());
    if (!row.value(7).isNull())
        entry.ended = timeFromText(row.value(7).toString());
    entry.folder = row.value(8).toString();
    entry.files = filesFromText(row.value(9).toString());
    entry.mark = row.value(10).toString();
    entry.note = row.value(11).toString();
    return entry;
}

// The newest modification time of the pass's files, if any can be read.
std::optional<QDateTime> newestWrite(const QString& folder, const QStringList& files)
{
    std::optional<QDateTime> newest;
    for (const QString& file : files) {
        const QFileInfo info(QDir(folder).filePath(file));
        if (!info.exists())
            continue;
        const QDateTime written = info.lastModified();
        if (!newest || written > *newest)
            newest = written;
    }
    return newest;
}

// Qt binds a null QString as SQL NULL; the sheet's text columns hold empty text instead.
QVariant text(const QString& value)
{
    return value.isNull() ? QVariant(QStringLiteral("")) : QVariant(value);
}

// A write that fails is said on standard error; the pass itself goes on being shown.
bool execute(QSqlQuery& query)
{
    if (query.exec())
        return true;
    qWarning("Take sheet: %s", qPrintable(query.lastError().text()));
    return false;
}

// Sets one column of one entry; column is one of the table's own names, never the user's.
bool update(QSqlDatabase& db, QLatin1String column, qint64 id, const QVariant& value)
{
    QSqlQuery query(db);
    query.prepare(QStringLiteral("UPDATE takes SET %1 = ? WHERE id = ?").arg(column));
    query.addBindValue(value);
    query.addBindValue(id);
    return execute(query);
}

bool run(QSqlDatabase& db, const QString& statement)
{
    QSqlQuery query(db);
    return query.exec(statement);
}

QSqlDatabase openConnection(const QString& name, const QString& path)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(path);
    // A writer that finds the file busy (a reader checkpointing) waits rather than failing.
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    db.open();
    return db;
}

// Only once the file has been found readable and ours: a file that is moved aside leaves as it
// came.
void configure(QSqlDatabase& db)
{
    run(db, QStringLiteral("PRAGMA journal_mode=WAL"));
    // Full syncs: a committed pass survives a power cut too; passes are a few writes a minute.
    run(db, QStringLiteral("PRAGMA synchronous=FULL"));
}

// The writer thread's side: one connection, used only there.
class Writer : public QObject
{
public:
    Writer(QString connection, QString path) : m_connection(std::move(connection)), m_path(path)
    {
    }

    QSqlDatabase db()
    {
        if (!QSqlDatabase::contains(m_connection)) {
            QSqlDatabase db = openConnection(m_connection, m_path);
            configure(db);
        }
        return QSqlDatabase::database(m_connection, false);
    }

    void close()
    {
        if (QSqlDatabase::contains(m_connection)) {
            QSqlDatabase::database(m_connection, false).close();
            QSqlDatabase::removeDatabase(m_connection);
        }
    }

private:
    QString m_connection;
    QString m_path;
};

} // namespace

TakeSheet::TakeSheet(const QString& path, QObject* parent) : QObject(parent), m_path(path)
{
    const QString unique = QString::number(reinterpret_cast<quintptr>(this), 16);
    m_readConnection = QStringLiteral("takes-read-") + unique;
    m_writeConnection = QStringLiteral("takes-write-") + unique;

    QDir().mkpath(QFileInfo(path).absolutePath());
    QString error;
    if (openReadConnection() && prepareSchema(&error)) {
        m_open = true;
    } else if (QFileInfo::exists(path)) {
        moveAside(error.isEmpty() ? QStringLiteral("it could not be opened") : error);
        m_open = openReadConnection() && prepareSchema(&error);
    }
    if (!m_open) {
        m_problem = tr("The take sheet cannot be kept at %1 (%2).").arg(path, error);
        return;
    }

    {
        QSqlQuery query(QSqlDatabase::database(m_readConnection, false));
        if (query.exec(QStringLiteral("SELECT COALESCE(MAX(id), 0) FROM takes")) && query.next())
            m_nextId = query.value(0).toLongLong() + 1;
    }
    closeUnendedEntries();

    m_writerThread = new QThread(this);
    m_writerThread->setObjectName(QStringLiteral("Take sheet"));
    m_writer = new Writer(m_writeConnection, path);
    m_writer->moveToThread(m_writerThread);
    connect(m_writerThread, &QThread::finished, m_writer, &QObject::deleteLater);
    m_writerThread->start();
}

TakeSheet::~TakeSheet()
{
    if (m_writerThread) {
        // Everything queued is written first: the hand-over runs after it.
        Writer* writer = static_cast<Writer*>(m_writer);
        handOverAndWait(m_writer, [writer] {
            writer->close();
            QThread::currentThread()->quit();
        });
        m_writerThread->wait();
    }
    if (QSqlDatabase::contains(m_readConnection)) {
        QSqlDatabase::database(m_readConnection, false).close();
        QSqlDatabase::removeDatabase(m_readConnection);
    }
}

QString TakeSheet::defaultPath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
        .filePath(QStringLiteral("take-sheet.sqlite"));
}

bool TakeSheet::openReadConnection()
{
    if (QSqlDatabase::contains(m_readConnection)) {
        QSqlDatabase::database(m_readConnection, false).close();
        QSqlDatabase::removeDatabase(m_readConnection);
    }
    return openConnection(m_readConnection, m_path).isOpen();
}

bool TakeSheet::prepareSchema(QString* error)
{
    QSqlDatabase db = QSqlDatabase::database(m_readConnection, false);
    QSqlQuery query(db);
    // A file that is not a database, or a damaged one, fails here rather than on a later write.
    if (!query.exec(QStringLiteral("PRAGMA quick_check")) || !query.next() ||
        query.value(0).toString() != QLatin1String("ok")) {
        *error = query.lastError().isValid() ? query.lastError().databaseText()
                                             : QStringLiteral("it is damaged");
        return false;
    }
    query.exec(QStringLiteral("PRAGMA user_version"));
    const int version = query.next() ? query.value(0).toInt() : 0;
    if (version > schemaVersion) {
        *error = QStringLiteral("it was written by a newer Quorvel");
        return false;
    }
    configure(db);
    const bool made =
        query.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS takes ("
                                  "id INTEGER PRIMARY KEY, daw TEXT NOT NULL, "
                                  "project TEXT NOT NULL, projectPath TEXT NOT NULL, "
                                  "piece TEXT NOT NULL, take TEXT NOT NULL, "
                                  "started TEXT NOT NULL, ended TEXT, folder TEXT NOT NULL, "
                                  "files TEXT NOT NULL, mark TEXT NOT NULL DEFAULT '', "
                                  "note TEXT NOT NULL DEFAULT '')")) &&
        query.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS takesByProject ON takes(project)")) &&
        query.exec(QStringLiteral("PRAGMA user_version=%1").arg(schemaVersion)) &&
        query.exec(QStringLiteral("SELECT %1 FROM takes LIMIT 1").arg(columns));
    if (!made)
        *error = query.lastError().databaseText();
    return made;
}

void TakeSheet::moveAside(const QString& reason)
{
    if (QSqlDatabase::contains(m_readConnection)) {
        QSqlDatabase::database(m_readConnection, false).close();
        QSqlDatabase::removeDatabase(m_readConnection);
    }
    const QString aside = m_path + QStringLiteral(".damaged-") +
                          QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QFile::rename(m_path, aside);
    // The log and index files belong to the moved file; left in place they would be read into
    // the new one.
    for (const QString& suffix : {QStringLiteral("-wal"), QStringLiteral("-shm")})
        QFile::rename(m_path + suffix, aside + suffix);
    m_problem = tr("The take sheet could not be read (%1). It was moved to %2 and a new one "
                   "started.")
                    .arg(reason, aside);
}

void TakeSheet::closeUnendedEntries()
{
    QSqlDatabase db = QSqlDatabase::database(m_readConnection, false);
    QSqlQuery open(db);
    open.exec(QStringLiteral("SELECT %1 FROM takes WHERE ended IS NULL").arg(columns));
    std::vector<TakeEntry> unended;
    while (open.next())
        unended.push_back(entryFrom(open));
    for (const TakeEntry& entry : unended) {
        const QDateTime ended = newestWrite(entry.folder, entry.files).value_or(entry.started);
        update(db, QLatin1String("ended"), entry.id, timeText(std::max(ended, entry.started)));
    }
}

template <typename Work> void TakeSheet::write(Work&& work)
{
    if (!m_open)
        return;
    Writer* writer = static_cast<Writer*>(m_writer);
    // The sheet outlives every write: its destructor waits for them, and a notice still queued
    // when it goes is dropped with it.
    TakeSheet* sheet = this;
    handOver(m_writer, [writer, sheet, work = std::forward<Work>(work)]() mutable {
        QSqlDatabase db = writer->db();
        db.transaction();
        work(db);
        db.commit();
        handOver(sheet, [sheet] { Q_EMIT sheet->changed(); });
    });
}

qint64 TakeSheet::begin(const TakeEntry& given)
{
    const qint64 id = m_nextId++;
    write([id, entry = given](QSqlDatabase& db) mutable {
        // Recording began when the DAW created the pass's first file. Quorvel sees it up to a
        // scan later, or, started in the middle of a take, much later; where the file system
        // keeps creation times, the pass starts at the file's.
        for (const QString& file : entry.files) {
            const QDateTime created = QFileInfo(QDir(entry.folder).filePath(file)).birthTime();
            if (created.isValid() && created < entry.started)
                entry.started = created.toOffsetFromUtc(entry.started.offsetFromUtc());
        }
        QSqlQuery query(db);
        query.prepare(QStringLiteral("INSERT INTO takes (%1) VALUES (?, ?, ?, ?, ?, ?, ?, NULL, "
                                     "?, ?, ?, ?)")
                          .arg(columns));
        for (const QVariant& value :
             {QVariant(id), text(entry.daw), text(entry.project), text(entry.projectPath),
              text(entry.piece), text(entry.take), text(timeText(entry.started)),
              text(entry.folder), text(filesText(entry.files)), text(entry.mark),
              text(entry.note)})
            query.addBindValue(value);
        execute(query);
    });
    return id;
}

void TakeSheet::addFiles(qint64 id, const QStringList& files)
{
    write([id, files](QSqlDatabase& db) {
        QSqlQuery read(db);
        read.prepare(QStringLiteral("SELECT files FROM takes WHERE id = ?"));
        read.addBindValue(id);
        if (!read.exec() || !read.next())
            return;
        QStringList all = filesFromText(read.value(0).toString());
        for (const QString& file : files) {
            if (!all.contains(file))
                all << file;
        }
        update(db, QLatin1String("files"), id, filesText(all));
    });
}

void TakeSheet::end(qint64 id)
{
    write([id](QSqlDatabase& db) {
        QSqlQuery read(db);
        read.prepare(QStringLiteral("SELECT %1 FROM takes WHERE id = ?").arg(columns));
        read.addBindValue(id);
        if (!read.exec() || !read.next())
            return;
        const TakeEntry entry = entryFrom(read);
        // The files are read here, on the writer's thread: a slow disk never holds up the display.
        const QDateTime ended =
            newestWrite(entry.folder, entry.files).value_or(QDateTime::currentDateTime());
        update(db, QLatin1String("ended"), id, timeText(std::max(ended, entry.started)));
    });
}

void TakeSheet::setMark(qint64 id, const QString& mark)
{
    if (!TakeMarks::all().contains(mark))
        return;
    write([id, mark](QSqlDatabase& db) { update(db, QLatin1String("mark"), id, text(mark)); });
}

void TakeSheet::setNote(qint64 id, const QString& note)
{
    write([id, note](QSqlDatabase& db) { update(db, QLatin1String("note"), id, text(note)); });
}

void TakeSheet::clear()
{
    write([](QSqlDatabase& db) { run(db, QStringLiteral("DELETE FROM takes")); });
}

void TakeSheet::flush()
{
    if (m_open)
        handOverAndWait(m_writer, [] {});
}

namespace {

// Runs statement on a read-only connection of its own to path, handing each row to take. A
// running Quorvel may be writing the file, so nothing here writes. False, with the reason in
// error, when the file cannot be read.
bool readOnly(const QString& path, const QString& statement, const QVariantList& values,
              const std::function<void(const QSqlQuery&)>& take, QString* error)
{
    const QString connection = QStringLiteral("takes-read-only-") +
                               QString::number(reinterpret_cast<quintptr>(&statement), 16);
    bool read = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=5000"));
        QSqlQuery query(db);
        if (db.open()) {
            query.prepare(statement);
            for (const QVariant& value : values)
                query.addBindValue(value);
            read = query.exec();
        }
        if (read) {
            while (query.next())
                take(query);
        } else {
            *error = db.isOpen() ? query.lastError().databaseText() : db.lastError().databaseText();
        }
    }
    QSqlDatabase::removeDatabase(connection);
    return read;
}

} // namespace

std::vector<TakeEntry> TakeSheet::read(const QString& path, const std::optional<QString>& project,
                                       QString* error)
{
    std::vector<TakeEntry> found;
    if (!QFileInfo::exists(path))
        return found;
    readOnly(path,
             QStringLiteral("SELECT %1 FROM takes %2 ORDER BY id DESC")
                 .arg(columns, project ? QStringLiteral("WHERE project = ?") : QString()),
             project ? QVariantList{*project} : QVariantList{},
             [&found](const QSqlQuery& row) { found.push_back(entryFrom(row)); }, error);
    return found;
}

QString TakeSheet::summaryLine(const QString& path)
{
    if (!QFileInfo::exists(path))
        return QStringLiteral("Take sheet: %1 (none yet)").arg(path);
    QString error;
    qint64 entries = 0;
    if (!readOnly(path, QStringLiteral("SELECT COUNT(*) FROM takes"), {},
                  [&entries](const QSqlQuery& row) { entries = row.value(0).toLongLong(); }, &error))
        return QStringLiteral("Take sheet: %1 (cannot be read: %2)").arg(path, error);
    return QStringLiteral("Take sheet: %1 (%2 %3)")
        .arg(path)
        .arg(entries)
        .arg(entries == 1 ? QStringLiteral("entry") : QStringLiteral("entries"));
}

std::vector<TakeEntry> TakeSheet::entries(const std::optional<QString>& project, int limit) const
{
    std::vector<TakeEntry> found;
    if (!m_open)
        return found;
    QSqlQuery query(QSqlDatabase::database(m_readConnection, false));
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT %1 FROM takes %2 ORDER BY id DESC LIMIT ?")
                      .arg(columns, project ? QStringLiteral("WHERE project = ?") : QString()));
    if (project)
        query.addBindValue(*project);
    query.addBindValue(limit < 0 ? -1 : limit);
    if (query.exec()) {
        while (query.next())
            found.push_back(entryFrom(query));
    }
    return found;
}

std::optional<TakeEntry> TakeSheet::entry(qint64 id) const
{
    if (!m_open)
        return std::nullopt;
    QSqlQuery query(QSqlDatabase::database(m_readConnection, false));
    query.prepare(QStringLiteral("SELECT %1 FROM takes WHERE id = ?").arg(columns));
    query.addBindValue(id);
    if (query.exec() && query.next())
        return entryFrom(query);
    return std::nullopt;
}

qint64 TakeSheet::count() const
{
    if (!m_open)
        return 0;
    QSqlQuery query(QSqlDatabase::database(m_readConnection, false));
    return query.exec(QStringLiteral("SELECT COUNT(*) FROM takes")) && query.next()
               ? query.value(0).toLongLong()
               : 0;
}

QStringList TakeSheet::projects() const
{
    QStringList names;
    if (!m_open)
        return names;
    QSqlQuery query(QSqlDatabase::database(m_readConnection, false));
    if (query.exec(QStringLiteral("SELECT DISTINCT project FROM takes ORDER BY project"))) {
        while (query.next())
            names << query.value(0).toString();
    }
    return names;
}

} // namespace quorvel
