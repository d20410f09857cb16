#pragma once
// NumberList: the query window's report list of phone numbers, one row per imported number,
// four columns of GBK text ("序号", "手机号", "运营商", "状态"), rows only ever appended.
//
// The cells live in a NumberStore: a few large byte chunks holding length-prefixed cell
// texts, plus one 16-byte record per row, so a million rows cost tens of megabytes. The store
// is shared (std::shared_ptr) with export workers, which read it from their own thread and may
// outlive the list's window. One mutex guards the store; every read returns a copy taken
// under it, so a reader sees a cell's text either before or after a write, never a mixture.
//
// NumberList is the Qt model over the store. Rows are appended and cells written only on the
// thread that owns the model (the window event thread); that is also where the model's
// signals are emitted. Texts become QString only in data(), for the rows a view paints.

#include <QAbstractTableModel>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora::checking {

// Column indexes of NumberList.
inline constexpr int kOrdinalColumn = 0;  // "序号"
inline constexpr int kNumberColumn = 1;   // "手机号"
inline constexpr int kCarrierColumn = 2;  // "运营商"
inline constexpr int kStatusColumn = 3;   // "状态"
inline constexpr int kNumberListColumns = 4;

// Rows of cells 0 and 1 collected without any lock, then appended to a NumberList in one go.
class RowBatch {
 public:
  // Room for about `rows` rows whose two cells total `textBytes` bytes.
  void Reserve(std::size_t rows, std::size_t textBytes);
  void Add(std::string_view ordinal, std::string_view number);
  std::size_t size() const { return rowStarts_.size(); }
  bool empty() const { return rowStarts_.empty(); }

 private:
  friend class NumberStore;
  std::string bytes_;                  // records of two length-prefixed cells
  std::vector<std::uint64_t> rowStarts_;  // offset of each row's record in bytes_
};

// The cells of a NumberList. Thread-safe; mutated only through NumberList.
class NumberStore {
 public:
  NumberStore();
  NumberStore(const NumberStore&) = delete;
  NumberStore& operator=(const NumberStore&) = delete;

  int RowCount() const;
  // The cell's text; empty for a row or column that does not exist.
  std::string GetCell(int row, int column) const;

 private:
  friend class NumberList;

  // A row refers to two records, one for cells 0-1 and one for cells 2-3. A record reference
  // is (chunk index << kOffsetBits) | offset; reference 0 is the empty record at the start of
  // chunk 0, so a new row reads as four empty cells.
  static constexpr int kOffsetBits = 40;
  struct Row {
    std::uint64_t pair[2] = {0, 0};
  };

  // Appends an empty row unless the list is full; returns its index or -1.
  int AppendEmptyRow();
  // Appends the first `count` rows of the batch and consumes it.
  void AppendBatch(RowBatch&& batch, std::size_t count);
  // Writes one cell of an existing row; false when row or column does not exist.
  bool SetCell(int row, int column, std::string_view text);

  // Appends a record to the chunk that takes single writes; returns its reference.
  std::uint64_t AppendRecord(std::string_view first, std::string_view second);
  // Views of the two cells of a record.
  void ReadRecord(std::uint64_t ref, std::string_view& first, std::string_view& second) const;
  std::string_view CellView(int row, int column) const;

  mutable std::mutex mutex_;
  std::vector<std::string> chunks_;
  std::size_t writeChunk_ = 0;  // chunk that takes single-cell writes
  std::vector<Row> rows_;
};

class NumberList : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit NumberList(QObject* parent = nullptr);
  ~NumberList() override;

  // Adds an empty row after the last one; returns its index (the row count before the call),
  // or -1 when the list can take no more rows.
  int AppendRow();
  // Appends every row of the batch under one insert notification; returns the index of the
  // first new row (the row count before the call). The batch is consumed.
  int AppendRows(RowBatch&& batch);
  // Replaces one cell's text; a row or column that does not exist is ignored.
  void SetCell(int row, int column, std::string_view text);
  // Callable from any thread.
  std::string GetCell(int row, int column) const { return store_->GetCell(row, column); }
  int RowCount() const { return store_->RowCount(); }

  // The storage, for readers that may outlive the list (export workers).
  std::shared_ptr<const NumberStore> Store() const { return store_; }

  // QAbstractItemModel
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  std::shared_ptr<NumberStore> store_;
};

}  // namespace pelmora::checking
