// A print job: a layout drawn page by page on demand (the preview asks for one page at a
// time) or all at once (printer, PDF). Its page count is open until a page drawing reaches
// the end of the data; an open count that is reached without the end grows, so no
// document is ever cut short.
#pragma once

#include "canvas.h"

class QPagedPaintDevice;

namespace ferolind::printing {

// What a printed output tells the job.
class PageLayout {
public:
    virtual ~PageLayout() = default;
    // Before pages are drawn for a target (screen or printer) whose page is W x H.
    virtual void prepare(Canvas& canvas, int W, int H) = 0;
    // Draws page p (from 1). Returns 0 while the data goes on after this page, else the
    // document's real page count (p, or the last page when p lay beyond the end).
    virtual int drawPage(Canvas& canvas, int W, int H, int page) = 0;
};

class PrintJob {
public:
    PrintJob(PageLayout& layout, int openPageCount) : layout_(layout), open_(openPageCount), count_(openPageCount) {}

    int pageCount() const { return count_; }
    bool pageCountKnown() const { return known_; }
    void prepare(Canvas& canvas, int W, int H) { layout_.prepare(canvas, W, H); }
    // The count is open again (another page size or orientation lays the pages out anew).
    void reopen() {
        count_ = open_;
        known_ = false;
    }
    // Draws page p; fixes the page count when the data ended there, and widens an open
    // count that page p reached without the end.
    void drawPage(Canvas& canvas, int W, int H, int page);
    // Prepares and draws every page on the device (one device page each), from the first
    // to the one where the data ends, reporting progress; returns the number of pages.
    int printAll(QPagedPaintDevice& device);

private:
    PageLayout& layout_;
    int open_;
    int count_;
    bool known_ = false;
};

}  // namespace ferolind::printing
