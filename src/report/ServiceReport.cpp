#include "ServiceReport.h"

const ReportRow* ReportSection::row(const QString& name) const {
    for (const ReportRow& r : rows)
        if (r.name == name)
            return &r;
    return nullptr;
}

const ReportSection* ServiceReport::section(const QString& title) const {
    for (const ReportPage& page : pages)
        for (const ReportSection& s : page.sections)
            if (s.title == title)
                return &s;
    return nullptr;
}
