#include "CommonTexts.h"

#include "TextTable.h"

constexpr auto kTexts = textTable<CommonText::EchoLinesLost>({
    {CommonText::FileIsLink, "è un collegamento simbolico"},
    {CommonText::FileNotRegular, "non è un file normale"},
    {CommonText::FileTooLarge, "è troppo grande"},
    {CommonText::FileUnreadable, "non si può leggere"},
    {CommonText::EchoLinesLost, "… (%1 righe dell'eco perse: standard error non veniva letto)"},
});

QString commonText(CommonText id) { return kTexts(id); }
