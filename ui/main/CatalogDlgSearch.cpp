// The two compressor searches, the result list and the clicked row.

#include "CatalogDlg.h"

#include "DataExchange.h"
#include "Globals.h"
#include "ResourceIds.h"
#include "Statements.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

std::int32_t ParseId(const char* text) { return static_cast<std::int32_t>(std::strtol(text ? text : "", nullptr, 0)); }

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
    ReplaceCompressorIds(cursor);
    // Release the count's read lock before the rows are read, so another program's write
    // in between is not held up by us.
    cursor.finalize();
    cursor = theDb.execute(kelvara::sql::compressorsOfType(theDb.dialect(), upperType));
    m_listResults.DeleteAllItems();
    m_lastSearch = {ResultSearch::kByType, upperType, {}, {}};
    FillResults(cursor);
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
    ReplaceCompressorIds(cursor);
    cursor.finalize();
    cursor = theDb.execute(kelvara::sql::compressorsOfCar(theDb.dialect(), manufacturer, model));
    m_listResults.DeleteAllItems();
    m_lastSearch = {ResultSearch::kByCar, {}, manufacturer, model};
    FillResults(cursor);
    g_strCompressorId.Empty();
}

void CCatalogDlg::ReplaceCompressorIds(const CppSQLiteCursor& countCursor)
{
    const std::int32_t count = ParseId(countCursor.field(0));
    g_nCompressorCount = count < 0 ? 0 : count;
    // A fresh array for every search; make_unique value-initialises, so no entry is ever
    // read uninitialised.
    g_pCompressorIds = std::make_unique<std::int32_t[]>(static_cast<size_t>(g_nCompressorCount));
    g_bIdsAllocated = 1;
}

void CCatalogDlg::FillResults(CppSQLiteCursor& rows)
{
    using namespace kelvara::sql;
    // Where each visible column lands in the list, or -1.
    int position[9];
    int next = 0;
    for (size_t i = 0; i < g_columnVisible.size(); ++i)
        position[i] = g_columnVisible[i] == 1 ? next++ : -1;

    std::int32_t capacity = g_nCompressorCount;
    std::int32_t k = 0;
    std::string text;
    while (!rows.atEnd()) {
        if (k == capacity) {
            // More rows than the count found (another program added some in between): grow
            // the array rather than write past its end.
            const std::int32_t grown = capacity < 8 ? 16 : capacity * 2;
            auto larger = std::make_unique<std::int32_t[]>(static_cast<size_t>(grown));
            std::copy(g_pCompressorIds.get(), g_pCompressorIds.get() + k, larger.get());
            g_pCompressorIds = std::move(larger);
            capacity = grown;
        }
        g_pCompressorIds[static_cast<size_t>(k)] = ParseId(rows.field(kFieldId));
        ++k;

        LVITEM item;
        item.mask = LVIF_TEXT;
        item.iItem = 0;
        item.pszText = "Item1";
        const int row = m_listResults.InsertItem(&item);

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
    // The list's row i has its id at [count - i - 1]: keep the count equal to the rows
    // shown, also when fewer or more came than were counted.
    g_nCompressorCount = k;
}

void CCatalogDlg::OnClickList(NMHDR*, LRESULT* pResult)
{
    bool selected = false;
    for (int i = 0; i < m_listResults.GetItemCount(); ++i) {
        if (!(m_listResults.GetItemState(i, LVIS_SELECTED) & LVIS_SELECTED))
            continue;
        const std::int32_t slot = g_nCompressorCount - i - 1;
        if (slot < 0 || slot >= g_nCompressorCount)
            break;
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "%d", static_cast<int>(g_pCompressorIds[static_cast<size_t>(slot)]));
        g_strCompressorId = buffer;
        selected = true;
        break;
    }
    // A click that leaves no row selected selects no compressor: Edit and Remove never act
    // on a row the list does not show selected.
    if (!selected)
        g_strCompressorId.Empty();
    *pResult = 0;
}
