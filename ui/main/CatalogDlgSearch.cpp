// The two compressor searches, the result list and the clicked row.

#include "CatalogDlg.h"

#include "DataExchange.h"
#include "Globals.h"
#include "ResourceIds.h"
#include "Statements.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string>

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
    CppSQLiteCursor cursor = theDb.execute(kelvara::sql::countCompressorsOfType(theDb.dialect(), upperType));
    const std::int32_t count = ParseCount(cursor.field(0));
    // Release the count's read lock before the rows are read, so another program's write
    // in between is not held up by us.
    cursor.finalize();
    cursor = theDb.execute(kelvara::sql::compressorsOfType(theDb.dialect(), upperType));
    m_listResults.DeleteAllItems();
    m_lastSearch = {ResultSearch::kByType, upperType, {}, {}};
    FillResults(cursor, count);
    // The list now shows other rows: no compressor is selected any more.
    g_strCompressorId.Empty();
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
    CppSQLiteCursor cursor = theDb.execute(kelvara::sql::countCompressorsOfCar(theDb.dialect(), manufacturer, model));
    const std::int32_t count = ParseCount(cursor.field(0));
    cursor.finalize();
    cursor = theDb.execute(kelvara::sql::compressorsOfCar(theDb.dialect(), manufacturer, model));
    m_listResults.DeleteAllItems();
    m_lastSearch = {ResultSearch::kByCar, {}, manufacturer, model};
    FillResults(cursor, count);
    g_strCompressorId.Empty();
}

void CCatalogDlg::FillResults(CppSQLiteCursor& rows, std::int32_t counted)
{
    using namespace kelvara::sql;
    // Where each visible column lands in the list, or -1.
    int position[9];
    int next = 0;
    for (size_t i = 0; i < g_columnVisible.size(); ++i)
        position[i] = g_columnVisible[i] == 1 ? next++ : -1;

    // The list has just been emptied: from here on the count is the number of rows listed,
    // raised with each row as it is inserted, so that whatever stops the fill (a damaged
    // page, an id that cannot be kept) leaves every listed row with its own id. The counted
    // number only sizes the array; the rows may turn out more or fewer.
    constexpr std::int32_t kFirstAllocation = 1 << 16;
    std::int32_t capacity = std::min(counted, kFirstAllocation);
    g_pCompressorIds = std::make_unique<std::int64_t[]>(static_cast<size_t>(capacity));
    g_nCompressorCount = 0;
    g_bIdsAllocated = 1;

    std::string text;
    while (!rows.atEnd()) {
        const std::int64_t id = ParseId(rows.field(kFieldId));
        const std::int32_t k = g_nCompressorCount;
        if (k == capacity) {
            if (capacity == std::numeric_limits<std::int32_t>::max())
                throw std::runtime_error("The search found more compressors than the list can show.");
            const std::int64_t grown = std::min<std::int64_t>(capacity < 8 ? 16 : std::int64_t{capacity} * 2,
                                                              std::numeric_limits<std::int32_t>::max());
            auto larger = std::make_unique<std::int64_t[]>(static_cast<size_t>(grown));
            std::copy(g_pCompressorIds.get(), g_pCompressorIds.get() + k, larger.get());
            g_pCompressorIds = std::move(larger);
            capacity = static_cast<std::int32_t>(grown);
        }
        g_pCompressorIds[static_cast<size_t>(k)] = id;

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
}

void CCatalogDlg::NameSelectedCompressor()
{
    g_strCompressorId.Empty();
    for (int i = 0; i < m_listResults.GetItemCount(); ++i) {
        if (!(m_listResults.GetItemState(i, LVIS_SELECTED) & LVIS_SELECTED))
            continue;
        const std::int32_t slot = g_nCompressorCount - i - 1;
        if (slot >= 0 && slot < g_nCompressorCount)
            g_strCompressorId = std::to_string(static_cast<long long>(g_pCompressorIds[static_cast<size_t>(slot)]));
        return;
    }
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
