#!/usr/bin/python3
# Writes kinds-xlwt.xls with xlwt (Debian's python3-xlwt): a BIFF8 book in
# the 1904 date system whose string table runs over CONTINUE records (a
# string of 3,000 characters among 300 others), with rich text, a duration
# over 24 hours and a small fraction. make_data.sh has LibreOffice write it
# again as BIFF8, as BIFF5 (Excel 95) and as .xlsx.
import datetime
import sys

import xlwt


def kinds_book(path):
    wb = xlwt.Workbook(encoding="utf-8")
    wb.dates_1904 = True
    s = wb.add_sheet("Sheet1")
    bold = xlwt.Font()
    bold.bold = True
    s.write(0, 0, "曲名")
    s.write_rich_text(0, 1, [("坂道と", xlwt.Font()), ("自転車", bold)])
    s.write(0, 2, (255 * 3600 + 10 * 60 + 10) / 86400,
            xlwt.easyxf(num_format_str="[h]:mm:ss"))
    s.write(0, 3, -0.0003)
    ymd = xlwt.easyxf(num_format_str="yyyy/mm/dd")
    s.write(0, 4, datetime.date(2001, 2, 3), ymd)
    s.write(0, 5, datetime.date(1904, 1, 1), ymd)
    s.write(0, 6, 12)
    s.write(1, 0, "長い曲名" * 750)
    for r in range(2, 302):
        s.write(r, 0, "曲その%d" % r)
    wb.save(path)


kinds_book((sys.argv[1] if len(sys.argv) > 1 else ".") + "/kinds-xlwt.xls")
