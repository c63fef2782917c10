#pragma once

#include "takes/TakeEntry.h"

#include <QAbstractTableModel>

#include <optional>
#include <vector>

namespace quorvel {

class TakeSheet;

// The take sheet as a table, newest pass first, for the take sheet window: one row per entry,
// read whole from the sheet so that ten thousand passes scroll without a query per row. Marks and
// notes edited in a cell go straight to the sheet. The sheet must outlive the model. Main thread
// only.
class TakeSheetModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum class Column { take, piece, project, daw, started, length, mark, note };
    static constexpr int columns = 8;

    explicit TakeSheetModel(TakeSheet& sheet, QObject* parent = nullptr);

    // Which entries are shown: every project's, or one project's. Reads the sheet again.
    void setProject(const std::optional<QString>& project);
    std::optional<QString> project() const { return m_project; }

    // Reads the sheet again after a change. Rows already shown keep their indexes (and with them
    // the view's selection) and new passes are inserted above them; anything else (a clear)
    // resets the model.
    void reload();

    const std::vector<TakeEntry>& entries() const { return m_entries; }

    // "m:ss" (minutes past 59 carry on: "75:03"); empty while the pass is still open.
    static QString lengthText(const std::optional<qint64>& lengthMs);
    // The local date and time, in the user's locale.
    static QString startedText(const QDateTime& started);
    // What the mark column and its list show; the empty mark reads as a dash in the list only.
    static QString markChoiceText(const QString& mark);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

private:
    // How many of the newest entries a change re-reads beyond the passes it added.
    static constexpr int recentRows = 64;

    void readAll();
    bool mergeNewest(std::vector<TakeEntry> fresh, size_t asked);

    TakeSheet& m_sheet;
    std::optional<QString> m_project;
    std::vector<TakeEntry> m_entries;
    qint64 m_total = 0; // every project's entries, when last read
};

} // namespace quorvel
