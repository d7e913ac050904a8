#pragma once

#include "ui/console.h"
#include "values/pager.h"

// The console pages through the output formatter's pager.
class PagerAdapter : public ConsolePager {
public:
    explicit PagerAdapter(Pager &pager)
        : _pager(pager)
    {
    }
    void setPageSize(int rows, int columns) override { _pager.setPageSize(rows, columns); }
    bool hasText() const override { return _pager.hasText(); }
    QString nextPage() override { return _pager.nextPage(); }
    void clear() override { _pager.clear(); }

private:
    Pager &_pager;
};
