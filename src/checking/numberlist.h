#pragma once
// NumberList: the query window's report list of phone numbers, one row per imported number,
// four columns of GBK text ("序号", "手机号", "运营商", "状态"), rows only ever appended.
//
// The cells live in a NumberStore: an imported file's bytes are kept as they are and each row
// refers to its number inside them (16 bytes per row, 8 more once answered); cells written
// one by one go into large byte chunks. A million rows cost tens of megabytes. The store
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

namespace detail {
// One row's reference to its cells 0 and 1 (see NumberStore).
struct RowRef {
  std::uint64_t ref = 0;
  std::uint64_t info = 0;
};
}  // namespace detail

// The rows of one imported text, collected without any lock and then appended to a NumberList
// in one go. A row's number cell is a piece of the text, which the list keeps as it is (no
// copy); its ordinal cell is the line's ordinal in decimal.
class RowBatch {
 public:
  RowBatch() = default;
  // `text` is the bytes that the numbers of Add are pieces of; `rowsHint` sizes the batch.
  RowBatch(std::string text, std::size_t rowsHint);
  const std::string& text() const { return text_; }
  // Adds a row: cell 0 `ordinal` in decimal, cell 1 `number`, which lies inside text().
  void Add(std::uint64_t ordinal, std::string_view number);
  std::size_t size() const { return rows_.size(); }
  bool empty() const { return rows_.empty(); }

 private:
  friend class NumberStore;
  std::string text_;
  std::string records_;  // rows too large to pack, as ordinary two-cell records
  // ref is an offset in text_ (packed rows) or in records_ (info 0).
  std::vector<detail::RowRef> rows_;
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
  // At most the first `maxBytes` bytes of the cell's text, cut at a character start.
  std::string GetCellPrefix(int row, int column, std::size_t maxBytes) const;

 private:
  friend class NumberList;
  friend class RowBatch;

  // Byte chunks hold the cells. A reference is (chunk index << kOffsetBits) | offset. Chunks
  // never move their bytes once written: each is either a whole imported text or a write
  // chunk, which is replaced by a fresh one instead of growing past its capacity.
  //
  // Cells 0 and 1 of a row are either packed (an imported row: `ref` points at the number's
  // bytes inside an imported text, `info` holds kPacked, the ordinal and the number's length)
  // or a record (`ref` points at two cells, each a LEB128 length and its bytes; `info` is 0).
  // Reference 0 is the empty record at the start of chunk 0, so Row{} reads as empty cells.
  // Cells 2 and 3 are a record referenced from answers_, which grows only as far as the last
  // row written there (rows beyond it read as empty).
  static constexpr int kOffsetBits = 40;
  static constexpr std::uint64_t kOffsetMask = (std::uint64_t{1} << kOffsetBits) - 1;
  static constexpr std::uint64_t kPacked = std::uint64_t{1} << 63;
  static constexpr std::uint64_t kMaxPackedOrdinal = (std::uint64_t{1} << 31) - 1;
  static constexpr std::uint64_t kMaxPackedLength = 0xFFFFFFFFu;
  using Row = detail::RowRef;

  // Appends an empty row unless the list is full; returns its index or -1.
  int AppendEmptyRow();
  // Appends the first `count` rows of the batch and consumes it.
  void AppendBatch(RowBatch&& batch, std::size_t count);
  // Writes one cell of an existing row; false when row or column does not exist.
  bool SetCell(int row, int column, std::string_view text);

  // Appends a two-cell record to the write chunk; returns its reference.
  std::uint64_t AppendRecord(std::string_view first, std::string_view second);
  // The write chunk, replaced by a new one when `needed` more bytes would not fit.
  std::string& WriteChunk(std::size_t needed);
  // Views of the two cells of a record.
  void ReadRecord(std::uint64_t ref, std::string_view& first, std::string_view& second) const;
  // Calls f(view) with the cell's bytes; false when the cell does not exist.
  template <typename F>
  bool WithCell(int row, int column, F&& f) const;

  mutable std::mutex mutex_;
  std::vector<std::string> chunks_;
  std::size_t writeChunk_ = 0;
  std::vector<Row> rows_;
  std::vector<std::uint64_t> answers_;
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
