#!/usr/bin/python3
# Writes the .xlsx test files of the second and third producer (XlsxWriter,
# openpyxl; Debian's python3-xlsxwriter, python3-openpyxl), with the content
# of track_list.fods, which LibreOffice converts (make_data.sh).
import datetime
import sys

import openpyxl
import xlsxwriter


def xlsxwriter_book(path, constant_memory):
    wb = xlsxwriter.Workbook(path, {"constant_memory": constant_memory})
    ymd = wb.add_format({"num_format": "yyyy/mm/dd"})
    stamp = wb.add_format({"num_format": "yyyy-mm-dd hh:mm"})
    bold = wb.add_format({"bold": True})
    s = wb.add_worksheet("Sheet1")
    s.write_row(0, 0, ["曲順", "曲名", "ｱﾙﾊﾞﾑ名", "ｱｰﾃｨｽﾄ名"])
    s.write_row(1, 0, [1, "夜明けの歌", "はじまりの季節", "青空ソーダ"])
    s.write_number(2, 0, 2)
    s.write_rich_string(2, 1, "坂道と", bold, "自転車")
    s.write_row(2, 2, ["はじまりの季節", "青空ソーダ"])
    s.write_number(3, 0, 4.5)
    s.write_formula(3, 1, '=CONCATENATE("雨上がり","の交差点")', None, "雨上がりの交差点")
    s.write_formula(3, 2, "=DATE(2024,3,15)", ymd, 45366)
    s.write_formula(3, 3, "=1=1", None, True)
    s.write_number(4, 0, -7)
    s.write_datetime(4, 1, datetime.datetime(2001, 2, 3), ymd)
    s.write_formula(4, 2, "=1+41", None, 42)
    s.write_string(4, 3, "一行目\n二行目")
    s.write_number(6, 0, 12345678901)
    s.merge_range(6, 1, 6, 2, "結合セル")
    s.write_string(6, 3, "  空白  付き")
    s.write_string(7, 0, "01")
    s.write_datetime(7, 1, datetime.datetime(2024, 3, 15, 10, 30), stamp)
    s.write_number(7, 2, 0.1)
    s.write_string(7, 3, "Café ♥")
    t = wb.add_worksheet("曲リスト")
    t.write_string(0, 0, "二枚目")
    t.write_formula(0, 1, "=1/0", None, "#DIV/0!")
    t.write_number(1, 0, 3)
    wb.add_worksheet("Data").write_string(0, 0, "データ")
    wb.close()


def openpyxl_book(path):
    wb = openpyxl.Workbook()
    s = wb.active
    s.title = "Sheet1"
    rows = [
        ["曲順", "曲名", "ｱﾙﾊﾞﾑ名", "ｱｰﾃｨｽﾄ名"],
        [1, "夜明けの歌", "はじまりの季節", "青空ソーダ"],
        [2, "坂道と自転車", "はじまりの季節", "青空ソーダ"],
        [4.5, "雨上がりの交差点", datetime.date(2024, 3, 15), True],
        [-7, datetime.date(2001, 2, 3), 42, "一行目\n二行目"],
        [],
        [12345678901, "結合セル", None, "  空白  付き"],
        ["01", datetime.datetime(2024, 3, 15, 10, 30), 0.1, "Café ♥"],
    ]
    for r in rows:
        s.append(r)
    s.merge_cells("B7:C7")
    s["C4"].number_format = "yyyy/mm/dd"
    s["B5"].number_format = "yyyy/mm/dd"
    s["B8"].number_format = "yyyy-mm-dd hh:mm"
    t = wb.create_sheet("曲リスト")
    t["A1"] = "二枚目"
    t["A2"] = 3
    wb.create_sheet("Data")["A1"] = "データ"
    wb.save(path)


out = sys.argv[1] if len(sys.argv) > 1 else "."
xlsxwriter_book(out + "/track_list-xlsxwriter.xlsx", False)
xlsxwriter_book(out + "/track_list-inline.xlsx", True)
openpyxl_book(out + "/track_list-openpyxl.xlsx")
