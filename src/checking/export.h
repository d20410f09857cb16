#pragma once
// Export of the query results: six text files in a directory ("空号.txt", "实号.txt", "停机.txt",
// "库无.txt", "沉默号.txt", "风险号.txt"), each holding, in row order, the number of every row
// whose "状态" cell is exactly that file's status word, followed by CR LF. GBK bytes, no header,
// no byte-order mark; a word that no row carries gives an empty file.
//
// Each file is written to a temporary file beside it and renamed into place, so a result file
// is always either its earlier content or a complete new one, also with two exports running
// at once. A file that cannot be written keeps its earlier content and the others are still
// written; nothing is reported.

#include <QString>

#include <cstddef>

namespace pelmora::checking {

class NumberList;
class NumberStore;

// The path of the result file for status word `index` (0 to 5, in kStatusWords order).
QString ResultFilePath(const QString& directory, std::size_t index);

// Reads the row count once, then each row's status and number cell by cell (rows appended or
// answered after a cell was read are not seen), and rewrites all six files. Any thread.
void ExportResults(const NumberStore& rows, const QString& directory);
void ExportResults(const NumberList& list, const QString& directory);

// Runs ExportResults on a new detached thread and returns at once. The thread shares the
// list's storage, so it finishes its walk even when the list (and its window) is destroyed
// meanwhile. A thread that cannot be started is ignored.
void StartExport(const NumberList& list, QString directory);

}  // namespace pelmora::checking
