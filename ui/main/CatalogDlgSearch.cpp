// The two compressor searches, the result list and the clicked row.

#include "CatalogDlg.h"

#include "DataExchange.h"
#include "Globals.h"
#include "ResourceIds.h"
#include "Statements.h"

#include <charconv>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>

namespace {

// Ids and counts arrive as decimal text. They are kept exactly (SQLite's row ids are
// 64-bit); a text that is not a whole number in range is never turned into another number.
bool ParseWhole(const char* text, std::int64_t& value)
{
    if (!text || !*text)
        return false;
    const char* end = text + std::strlen(text);
    const auto [stop, error] = std::from_chars(text, end, value);
    return error == std::errc() && stop == end;
}

std::int64_t ParseId(const char* text)
{
    std::int64_t id = 0;
    if (!ParseWhole(text, id))
        throw std::runtime_error(std::string("The catalogue holds a compressor whose id \"") + (text ? text : "")
                                 + "\" is not a whole number; the list ends before it.");
    return id;
}

std::int32_t ParseCount(const char* text)
{
    std::int64_t count = 0;
    if (!ParseWhole(text, count) || count < 0 || count > std::numeric_limits<std::int32_t>::max())
        throw std::runtime_error(std::string("The catalogue counted \"") + (text ? text : "")
                                 + "\" compressors, which is not a number of rows the list can show.");
    return static_cast<std::int32_t>(count);
}

// The id array of one search, at the counted size, allocated before any row is read. Its
// entries are left unset (only those of listed rows are written), so where the system
// reserves memory as it is used an overstated count costs none; one there is no memory
// for at all is refused.
template <class Entry = std::int64_t>
std::unique_ptr<Entry[]> AllocateIds(std::int32_t counted)
{
    std::unique_ptr<Entry[]> ids(new (std::nothrow) Entry[static_cast<size_t>(counted)]);
    if (!ids)
        throw std::runtime_error("The catalogue counted " + std::to_string(counted)
                                 + " compressors, more than there is memory for; no row was read. The catalogue "
                                 "may be damaged.");
    return ids;
}

// Said once the rows' cursor is released, so the box does not keep the catalogue locked.
void ReportRowsLeftOut(CWnd& window, std::int32_t counted)
{
    const std::string text = "The catalogue changed during the search: more compressors were found than counted, "
                             "and only the first " + std::to_string(counted) + " are listed. Search again to list them all.";
    window.MessageBox(text.c_str(), "Kelvara", MB_OK | MB_ICONWARNING);
}

void AppendField(std::string& out, const char* value)
{
    if (value)
        out.append(value);
}

}  // namespace

void CCatalogDlg::OnFindCompressors()
{
    UpdateData(TRUE);
    if (m_strSearchType.IsEmpty()) {
        MessageBox("You need to enter compressor type to look for.", "Kelvara", MB_OK);
        return;
    }
    m_listResults.DeleteAllItems();

    CString type = m_strSearchType;
    type.MakeUpper();
    SearchByType(type);
}

void CCatalogDlg::SearchByType(const CString& upperType)
{
    // The rows travel with the count: one trip to a server.
    const std::string rows = kelvara::sql::compressorsOfType(theDb.dialect(), upperType);
    theDb.sendAfterNext(rows);
    CppSQLiteCursor cursor = theDb.execute(kelvara::sql::countCompressorsOfType(theDb.dialect(), upperType));
    const std::int32_t count = ParseCount(cursor.field(0));
    auto ids = AllocateIds(count);
    // Release the count's read lock before the rows are read, so another program's write
    // in between is not held up by us.
    cursor.finalize();
    cursor = theDb.execute(rows);
    m_listResults.DeleteAllItems();
    m_lastSearch = {ResultSearch::kByType, upperType, {}, {}};
    const bool leftOut = FillResults(cursor, std::move(ids), count);
    // The list now shows other rows: no compressor is selected any more.
    g_strCompressorId.Empty();
    cursor.finalize();
    if (leftOut)
        ReportRowsLeftOut(*this, count);
}

void CCatalogDlg::OnSelchangeModel()
{
    UpdateData(TRUE);
    SearchByModel();
}

void CCatalogDlg::SearchByModel()
{
    const int model = m_comboModel.GetCurSel();
    const int manufacturer = m_comboManufacturer.GetCurSel();
    if (model == CB_ERR || manufacturer == CB_ERR)
        return;
    const CString modelName = m_comboModel.GetLBText(model);
    const CString manufacturerName = m_comboManufacturer.GetLBText(manufacturer);
    SearchByCar(manufacturerName, modelName);
}

void CCatalogDlg::SearchByCar(const CString& manufacturer, const CString& model)
{
    const std::string rows = kelvara::sql::compressorsOfCar(theDb.dialect(), manufacturer, model);
    theDb.sendAfterNext(rows);
    CppSQLiteCursor cursor = theDb.execute(kelvara::sql::countCompressorsOfCar(theDb.dialect(), manufacturer, model));
    const std::int32_t count = ParseCount(cursor.field(0));
    auto ids = AllocateIds(count);
    cursor.finalize();
    cursor = theDb.execute(rows);
    m_listResults.DeleteAllItems();
    m_lastSearch = {ResultSearch::kByCar, {}, manufacturer, model};
    const bool leftOut = FillResults(cursor, std::move(ids), count);
    g_strCompressorId.Empty();
    cursor.finalize();
    if (leftOut)
        ReportRowsLeftOut(*this, count);
}

bool CCatalogDlg::FillResults(CppSQLiteCursor& rows, std::unique_ptr<std::int64_t[]> ids, std::int32_t counted)
{
    using namespace kelvara::sql;
    // Where each visible column lands in the list, or -1.
    int position[9];
    int next = 0;
    for (size_t i = 0; i < g_columnVisible.size(); ++i)
        position[i] = g_columnVisible[i] == 1 ? next++ : -1;

    // The list has just been emptied: from here on the count is the number of rows listed,
    // raised with each row as it is inserted, so that whatever stops the fill (a damaged
    // page, an id that cannot be kept) leaves every listed row with its own id.
    g_pCompressorIds = std::move(ids);
    g_nCompressorCount = 0;
    g_bIdsAllocated = 1;
    m_pRowDigests = AllocateIds<std::uint64_t>(counted);

    std::string text;
    while (!rows.atEnd()) {
        const std::int32_t k = g_nCompressorCount;
        // Rows another program added after the count have no place in the array.
        if (k == counted)
            return true;
        g_pCompressorIds[static_cast<size_t>(k)] = ParseId(rows.field(kFieldId));
        m_pRowDigests[static_cast<size_t>(k)] = RowDigest(rows, kFieldManufacturer, kFieldModel, kFieldCapacity);

        LVITEM item;
        item.mask = LVIF_TEXT;
        item.iItem = 0;
        item.pszText = "Item1";
        const int row = m_listResults.InsertItem(&item);
        g_nCompressorCount = k + 1;

        for (size_t column = 0; column < 9; ++column) {
            if (position[column] < 0)
                continue;
            text.clear();
            switch (column) {
            case 0:
                AppendField(text, rows.field(kFieldManufacturer));
                text += ' ';
                AppendField(text, rows.field(kFieldModel));
                break;
            case 1:
                AppendField(text, rows.field(kFieldCapacity));
                break;
            case 2:
                AppendField(text, rows.field(kFieldYearFrom));
                text += " - ";
                AppendField(text, rows.field(kFieldYearTo));
                break;
            default:
                AppendField(text, rows.field(static_cast<int>(kFieldType + (column - 3))));
                break;
            }
            m_listResults.SetItemText(row, position[column], text.c_str());
        }
        rows.advance();
    }
    return false;
}

void CCatalogDlg::NameSelectedCompressor()
{
    g_strCompressorId.Empty();
    for (int i = 0; i < m_listResults.GetItemCount(); ++i) {
        if (!(m_listResults.GetItemState(i, LVIS_SELECTED) & LVIS_SELECTED))
            continue;
        const std::int32_t slot = g_nCompressorCount - i - 1;
        if (slot >= 0 && slot < g_nCompressorCount) {
            g_strCompressorId = std::to_string(static_cast<long long>(g_pCompressorIds[static_cast<size_t>(slot)]));
            m_strDigestOf = g_strCompressorId;
            m_selectedDigest = m_pRowDigests[static_cast<size_t>(slot)];
        }
        return;
    }
}

std::uint64_t CCatalogDlg::RowDigest(CppSQLiteCursor& row, int manufacturer, int model, int firstValue)
{
    // FNV-1a over each field's length and bytes; NULL is told apart from every text.
    std::uint64_t hash = 14695981039346656037ULL;
    const auto mix = [&hash](unsigned char byte) { hash = (hash ^ byte) * 1099511628211ULL; };
    const auto field = [&](int column) {
        if (!row.field(column)) {
            mix(0xFF);
            return;
        }
        const std::string_view text = row.fieldView(column);
        for (std::size_t size = text.size(), i = 0; i < sizeof size; ++i, size >>= 8)
            mix(static_cast<unsigned char>(size & 0xFF));
        for (char c : text)
            mix(static_cast<unsigned char>(c));
    };
    field(manufacturer);
    field(model);
    for (int value = 0; value < 9; ++value)
        field(firstValue + value);
    return hash;
}

void CCatalogDlg::OnClickList(NMHDR*, LRESULT* pResult)
{
    // A click that leaves no row selected selects no compressor: Edit and Remove never act
    // on a row the list does not show selected.
    NameSelectedCompressor();
    *pResult = 0;
}

void CCatalogDlg::OnItemchangedList(NMHDR*, LRESULT* pResult)
{
    // The keys move the selection without a click; the compressor follows it all the same.
    NameSelectedCompressor();
    *pResult = 0;
}
