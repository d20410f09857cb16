#include "checking/numberlist.h"

#include "platform/codepage.h"

#include <algorithm>
#include <climits>

namespace pelmora::checking {
namespace {

// A record is two cells, each a LEB128 length followed by the cell's bytes.
void AppendLength(std::string& out, std::size_t n) {
  char buf[10];
  int used = 0;
  do {
    unsigned char b = n & 0x7F;
    n >>= 7;
    if (n != 0) b |= 0x80;
    buf[used++] = static_cast<char>(b);
  } while (n != 0);
  out.append(buf, static_cast<std::size_t>(used));
}

std::size_t LengthSize(std::size_t n) {
  std::size_t used = 1;
  while (n >= 0x80) {
    n >>= 7;
    ++used;
  }
  return used;
}

std::string_view ReadCell(const char*& p) {
  std::size_t n = 0;
  int shift = 0;
  unsigned char b;
  do {
    b = static_cast<unsigned char>(*p++);
    n |= static_cast<std::size_t>(b & 0x7F) << shift;
    shift += 7;
  } while (b & 0x80);
  const std::string_view cell(p, n);
  p += n;
  return cell;
}

void AppendRecordBytes(std::string& out, std::string_view first, std::string_view second) {
  AppendLength(out, first.size());
  out.append(first);
  AppendLength(out, second.size());
  out.append(second);
}

// Single-cell writes go into chunks of this size (larger only for a larger record), so a chunk
// never moves its bytes once written.
constexpr std::size_t kWriteChunkBytes = std::size_t{1} << 20;
constexpr std::uint64_t kOffsetMask = (std::uint64_t{1} << 40) - 1;

// "序号", "手机号", "运营商", "状态"
constexpr std::string_view kColumnTitles[kNumberListColumns] = {
    "\xD0\xF2\xBA\xC5", "\xCA\xD6\xBB\xFA\xBA\xC5", "\xD4\xCB\xD3\xAA\xC9\xCC",
    "\xD7\xB4\xCC\xAC"};

}  // namespace

// ---- RowBatch ----

void RowBatch::Reserve(std::size_t rows, std::size_t textBytes) {
  rowStarts_.reserve(rows);
  bytes_.reserve(textBytes + rows * 2);
}

void RowBatch::Add(std::string_view ordinal, std::string_view number) {
  rowStarts_.push_back(bytes_.size());
  AppendRecordBytes(bytes_, ordinal, number);
}

// ---- NumberStore ----

NumberStore::NumberStore() {
  chunks_.emplace_back();
  AppendRecordBytes(chunks_.back(), {}, {});  // reference 0: two empty cells
}

int NumberStore::RowCount() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(rows_.size());
}

std::string NumberStore::GetCell(int row, int column) const {
  std::lock_guard lock(mutex_);
  return std::string(CellView(row, column));
}

std::string_view NumberStore::CellView(int row, int column) const {
  if (row < 0 || static_cast<std::size_t>(row) >= rows_.size() || column < 0 ||
      column >= kNumberListColumns)
    return {};
  std::string_view first, second;
  ReadRecord(rows_[static_cast<std::size_t>(row)].pair[column / 2], first, second);
  return column % 2 == 0 ? first : second;
}

void NumberStore::ReadRecord(std::uint64_t ref, std::string_view& first,
                             std::string_view& second) const {
  const char* p = chunks_[ref >> kOffsetBits].data() + (ref & kOffsetMask);
  first = ReadCell(p);
  second = ReadCell(p);
}

std::uint64_t NumberStore::AppendRecord(std::string_view first, std::string_view second) {
  const std::size_t needed =
      LengthSize(first.size()) + first.size() + LengthSize(second.size()) + second.size();
  std::string* chunk = &chunks_[writeChunk_];
  // Never let a chunk reallocate: start a new one when the record does not fit.
  if (chunk->size() + needed > chunk->capacity() || chunk->size() > kOffsetMask - needed) {
    chunks_.emplace_back();
    writeChunk_ = chunks_.size() - 1;
    chunk = &chunks_.back();
    chunk->reserve(std::max(kWriteChunkBytes, needed));
  }
  const std::uint64_t ref = (std::uint64_t{writeChunk_} << kOffsetBits) | chunk->size();
  AppendRecordBytes(*chunk, first, second);
  return ref;
}

int NumberStore::AppendEmptyRow() {
  std::lock_guard lock(mutex_);
  if (rows_.size() >= static_cast<std::size_t>(INT_MAX)) return -1;
  rows_.emplace_back();
  return static_cast<int>(rows_.size() - 1);
}

void NumberStore::AppendBatch(RowBatch&& batch, std::size_t count) {
  std::lock_guard lock(mutex_);
  count = std::min({count, batch.rowStarts_.size(),
                    static_cast<std::size_t>(INT_MAX) - rows_.size()});
  if (count == 0) return;
  std::uint64_t base;
  if (batch.bytes_.size() < kWriteChunkBytes / 16) {
    // A small file joins the write chunk instead of becoming a chunk of its own, so every
    // chunk beyond the first holds at least 64 KiB and the chunk index never runs out.
    std::string* chunk = &chunks_[writeChunk_];
    if (chunk->size() + batch.bytes_.size() > chunk->capacity()) {
      chunks_.emplace_back();
      writeChunk_ = chunks_.size() - 1;
      chunk = &chunks_.back();
      chunk->reserve(kWriteChunkBytes);
    }
    base = (std::uint64_t{writeChunk_} << kOffsetBits) | chunk->size();
    chunk->append(batch.bytes_);
  } else {
    // A batch holds less than a terabyte, so its offsets fit their 40 bits.
    base = std::uint64_t{chunks_.size()} << kOffsetBits;
    chunks_.push_back(std::move(batch.bytes_));
  }
  const std::size_t needed = rows_.size() + count;
  if (needed > rows_.capacity())
    rows_.reserve(std::max(needed, rows_.capacity() + rows_.capacity() / 2));
  for (std::size_t i = 0; i < count; ++i) {
    Row row;
    row.pair[0] = base + batch.rowStarts_[i];
    rows_.push_back(row);
  }
  batch = RowBatch();
}

bool NumberStore::SetCell(int row, int column, std::string_view text) {
  std::lock_guard lock(mutex_);
  if (row < 0 || static_cast<std::size_t>(row) >= rows_.size() || column < 0 ||
      column >= kNumberListColumns)
    return false;
  Row& r = rows_[static_cast<std::size_t>(row)];
  const int half = column / 2;
  std::string_view first, second;
  ReadRecord(r.pair[half], first, second);
  // Copy the partner cell out: appending may start a new chunk and move chunk 0's bytes.
  // The text given may also point into our own chunks (a cell copied onto another).
  const std::string kept(column % 2 == 0 ? second : first);
  const std::string value(text);
  r.pair[half] = column % 2 == 0 ? AppendRecord(value, kept) : AppendRecord(kept, value);
  return true;
}

// ---- NumberList ----

NumberList::NumberList(QObject* parent)
    : QAbstractTableModel(parent), store_(std::make_shared<NumberStore>()) {}

NumberList::~NumberList() = default;

int NumberList::AppendRow() {
  const int row = store_->RowCount();
  if (row == INT_MAX) return -1;
  beginInsertRows(QModelIndex(), row, row);
  const int added = store_->AppendEmptyRow();
  endInsertRows();
  return added;
}

int NumberList::AppendRows(RowBatch&& batch) {
  const int first = store_->RowCount();
  const std::size_t room = static_cast<std::size_t>(INT_MAX) - static_cast<std::size_t>(first);
  const std::size_t count = std::min(batch.size(), room);
  if (count == 0) return first;
  // Only this thread appends, so the count announced is the count added.
  beginInsertRows(QModelIndex(), first, first + static_cast<int>(count) - 1);
  store_->AppendBatch(std::move(batch), count);
  endInsertRows();
  return first;
}

void NumberList::SetCell(int row, int column, std::string_view text) {
  if (!store_->SetCell(row, column, text)) return;
  const QModelIndex cell = index(row, column);
  emit dataChanged(cell, cell, {Qt::DisplayRole});
}

int NumberList::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : store_->RowCount();
}

int NumberList::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kNumberListColumns;
}

QVariant NumberList::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid()) return {};
  return platform::GbkToQString(store_->GetCell(index.row(), index.column()));
}

QVariant NumberList::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= kNumberListColumns) return {};
  if (role == Qt::DisplayRole) return platform::GbkToQString(kColumnTitles[section]);
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
  return {};
}

Qt::ItemFlags NumberList::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
}

}  // namespace pelmora::checking
