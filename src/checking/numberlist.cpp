#include "checking/numberlist.h"

#include "platform/codepage.h"
#include "text/gbk.h"

#include <algorithm>
#include <charconv>
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

std::string_view Decimal(std::uint64_t n, char (&buf)[24]) {
  const auto end = std::to_chars(buf, buf + sizeof buf, n).ptr;
  return std::string_view(buf, static_cast<std::size_t>(end - buf));
}

// Cells written one by one go into chunks of this size (larger only for a larger record).
constexpr std::size_t kWriteChunkBytes = std::size_t{1} << 20;
// Imported texts smaller than this are copied into the write chunk instead of becoming a chunk
// of their own, so every chunk but the first holds at least 64 KiB and the 24-bit chunk index
// cannot run out before a terabyte is stored.
constexpr std::size_t kOwnChunkBytes = kWriteChunkBytes / 16;

// The view never needs more of a cell than fits a very wide column.
constexpr std::size_t kDisplayBytes = 4096;

// "序号", "手机号", "运营商", "状态"
constexpr std::string_view kColumnTitles[kNumberListColumns] = {
    "\xD0\xF2\xBA\xC5", "\xCA\xD6\xBB\xFA\xBA\xC5", "\xD4\xCB\xD3\xAA\xC9\xCC",
    "\xD7\xB4\xCC\xAC"};

}  // namespace

// ---- RowBatch ----

RowBatch::RowBatch(std::string text, std::size_t rowsHint) : text_(std::move(text)) {
  rows_.reserve(rowsHint);
}

void RowBatch::Add(std::uint64_t ordinal, std::string_view number) {
  const auto offset = static_cast<std::uint64_t>(number.data() - text_.data());
  if (ordinal <= NumberStore::kMaxPackedOrdinal && number.size() <= NumberStore::kMaxPackedLength &&
      offset <= NumberStore::kOffsetMask) {
    rows_.push_back({offset, NumberStore::kPacked | (ordinal << 32) | number.size()});
    return;
  }
  char digits[24];
  rows_.push_back({records_.size(), 0});
  AppendRecordBytes(records_, Decimal(ordinal, digits), number);
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

template <typename F>
bool NumberStore::WithCell(int row, int column, F&& f) const {
  if (row < 0 || static_cast<std::size_t>(row) >= rows_.size() || column < 0 ||
      column >= kNumberListColumns)
    return false;
  const auto index = static_cast<std::size_t>(row);
  std::string_view first, second;
  if (column >= 2) {
    if (index < answers_.size()) ReadRecord(answers_[index], first, second);
  } else if (const Row& r = rows_[index]; r.info & kPacked) {
    if (column == 0) {
      char digits[24];
      f(Decimal((r.info >> 32) & kMaxPackedOrdinal, digits));
      return true;
    }
    second = std::string_view(chunks_[r.ref >> kOffsetBits].data() + (r.ref & kOffsetMask),
                              static_cast<std::size_t>(r.info & kMaxPackedLength));
  } else {
    ReadRecord(r.ref, first, second);
  }
  f(column % 2 == 0 ? first : second);
  return true;
}

std::string NumberStore::GetCell(int row, int column) const {
  std::string text;
  std::lock_guard lock(mutex_);
  WithCell(row, column, [&](std::string_view cell) { text.assign(cell); });
  return text;
}

std::string NumberStore::GetCellPrefix(int row, int column, std::size_t maxBytes) const {
  std::string text;
  std::lock_guard lock(mutex_);
  WithCell(row, column, [&](std::string_view cell) {
    if (cell.size() > maxBytes) {
      std::size_t end = 0;
      while (end < maxBytes) {
        const std::size_t next = end + (text::IsLeadByte(cell[end]) ? 2 : 1);
        if (next > maxBytes) break;
        end = next;
      }
      cell = cell.substr(0, end);
    }
    text.assign(cell);
  });
  return text;
}

void NumberStore::ReadRecord(std::uint64_t ref, std::string_view& first,
                             std::string_view& second) const {
  const char* p = chunks_[ref >> kOffsetBits].data() + (ref & kOffsetMask);
  first = ReadCell(p);
  second = ReadCell(p);
}

std::string& NumberStore::WriteChunk(std::size_t needed) {
  std::string& chunk = chunks_[writeChunk_];
  if (chunk.size() + needed <= chunk.capacity()) return chunk;
  // Never let a chunk reallocate: start a new one.
  chunks_.emplace_back();
  writeChunk_ = chunks_.size() - 1;
  chunks_.back().reserve(std::max(kWriteChunkBytes, needed));
  return chunks_.back();
}

std::uint64_t NumberStore::AppendRecord(std::string_view first, std::string_view second) {
  std::string& chunk = WriteChunk(LengthSize(first.size()) + first.size() +
                                  LengthSize(second.size()) + second.size());
  const std::uint64_t ref = (std::uint64_t{writeChunk_} << kOffsetBits) | chunk.size();
  AppendRecordBytes(chunk, first, second);
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
  count = std::min({count, batch.rows_.size(),
                    static_cast<std::size_t>(INT_MAX) - rows_.size()});
  if (count == 0) return;
  // Where the batch's text and records land; their offsets are added to this.
  const auto place = [this](std::string& bytes) -> std::uint64_t {
    if (bytes.empty()) return 0;
    if (bytes.size() < kOwnChunkBytes) {
      std::string& chunk = WriteChunk(bytes.size());
      const std::uint64_t base = (std::uint64_t{writeChunk_} << kOffsetBits) | chunk.size();
      chunk.append(bytes);
      return base;
    }
    // A text holds less than a terabyte, so its offsets fit their 40 bits.
    chunks_.push_back(std::move(bytes));
    return std::uint64_t{chunks_.size() - 1} << kOffsetBits;
  };
  const std::uint64_t textBase = place(batch.text_);
  const std::uint64_t recordBase = place(batch.records_);
  const auto rebase = [&](Row row) {
    row.ref += row.info ? textBase : recordBase;
    return row;
  };
  if (rows_.empty() && count == batch.rows_.size()) {
    for (Row& row : batch.rows_) row = rebase(row);
    rows_ = std::move(batch.rows_);
  } else {
    const std::size_t needed = rows_.size() + count;
    if (needed > rows_.capacity())
      rows_.reserve(std::max(needed, rows_.capacity() + rows_.capacity() / 2));
    for (std::size_t i = 0; i < count; ++i) rows_.push_back(rebase(batch.rows_[i]));
  }
  batch = RowBatch();
}

bool NumberStore::SetCell(int row, int column, std::string_view text) {
  std::lock_guard lock(mutex_);
  if (row < 0 || static_cast<std::size_t>(row) >= rows_.size() || column < 0 ||
      column >= kNumberListColumns)
    return false;
  const auto index = static_cast<std::size_t>(row);
  // Copy the partner cell and the new text out first: appending may start a new chunk (and
  // move chunk 0's bytes), and the text may point into our own chunks.
  std::string kept;
  WithCell(row, column ^ 1, [&](std::string_view cell) { kept.assign(cell); });
  const std::string value(text);
  const std::uint64_t ref =
      column % 2 == 0 ? AppendRecord(value, kept) : AppendRecord(kept, value);
  if (column >= 2) {
    if (index >= answers_.size()) answers_.resize(index + 1);
    answers_[index] = ref;
  } else {
    rows_[index] = Row{ref, 0};
  }
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
  // A cell can be a whole file without line breaks: the view gets no more than it can show.
  return platform::GbkToQString(store_->GetCellPrefix(index.row(), index.column(), kDisplayBytes));
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
