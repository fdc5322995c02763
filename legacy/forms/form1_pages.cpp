// Record pages and their navigation buttons.
#include "form1.h"

#include "recordpage.h"

#include <QLineEdit>
#include <QTextEdit>

void Form1::ShowRecordPage(qint16 page)
{
    const legacy::RecordPage text = legacy::buildRecordPage(state, page, valueFormatter());
    setRecordBoxText(RichTextBox1, text.left);
    setRecordBoxText(RichTextBox2, text.right);
}

void Form1::Command12_Click()
{
    state.curPage = legacy::previousPage(state.curPage);
    ShowRecordPage(state.curPage);
}

void Form1::Command13_Click()
{
    state.curPage = legacy::nextPage(state.curPage, state.pageCount);
    ShowRecordPage(state.curPage);
}

void Form1::Command14_Click()
{
    const std::optional<legacy::PageJump> jump = legacy::jumpToPage(Text1->text(), state.pageCount);
    if (!jump)
        return;
    if (jump->rewrite)
        Text1->setText(*jump->rewrite);
    state.curPage = jump->page;
    ShowRecordPage(state.curPage);
}
