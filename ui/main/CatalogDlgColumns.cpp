// Choosing the visible result columns: the dialog, then the list rebuilt for the choice.

#include "CatalogDlg.h"

#include "ColumnSet.h"
#include "ColumnsDlg.h"
#include "Globals.h"

void CCatalogDlg::OnSetVisibleColumns()
{
    // The flags that describe the columns the list has now.
    const auto shown = g_columnVisible;

    CColumnsDlg dlg;
    // OK and Cancel alike rebuild the list; -1 means the dialog never opened (its failure
    // has been shown) and nothing was written.
    if (dlg.DoModal() == -1)
        return;

    // Read the stored choice before the list is touched. Should that fail, the list keeps
    // its columns and rows, and the flags must go on describing them.
    try {
        ReadColumnFlags();
    } catch (...) {
        g_columnVisible = shown;
        throw;
    }

    // The rows were laid out for the old columns; they go with them and are filled again
    // below, so no text ever stands under another column's title.
    const bool hadRows = m_listResults.GetItemCount() > 0;
    m_listResults.DeleteAllItems();
    g_strCompressorId.Empty();
    for (auto flag = shown.rbegin(); flag != shown.rend(); ++flag) {
        if (*flag != 0)
            m_listResults.DeleteColumn(0);
    }
    InsertVisibleColumns();

    if (m_comboManufacturer.GetCurSel() != CB_ERR && m_comboModel.GetCurSel() != CB_ERR) {
        SearchByModel();
        return;
    }
    // No car is selected, so the search by car has nothing to go by. The rows the list had
    // came from the last search (a type search, or a car search before the manufacturer
    // list was reloaded): the operator changed how they are shown, not which they are.
    if (!hadRows)
        return;
    switch (m_lastSearch.kind) {
    case ResultSearch::kByType:
        SearchByType(m_lastSearch.type);
        break;
    case ResultSearch::kByCar:
        SearchByCar(m_lastSearch.manufacturer, m_lastSearch.model);
        break;
    case ResultSearch::kNone:
        break;
    }
}
