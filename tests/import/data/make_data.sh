#!/bin/sh
# Remakes the spreadsheet files of this folder: LibreOffice converts
# track_list.fods into .xls, .xlsx, .ods and CSV/TSV in three encodings;
# make_data.py writes .xlsx with XlsxWriter and openpyxl; make_kinds.py
# writes kinds-xlwt.xls with xlwt, which LibreOffice writes again as
# kinds-lo.xls and kinds-lo.xlsx. Needs libreoffice-calc-nogui,
# python3-xlsxwriter, python3-openpyxl and python3-xlwt; the tests only
# read the files.
set -eu
cd "$(dirname "$0")"
profile=$(mktemp -d)
lo() { soffice -env:UserInstallation=file://"$profile" --headless --convert-to "$1" --outdir "$2" track_list.fods >/dev/null; }
tmp=$(mktemp -d)
for kind in xls xlsx ods; do lo "$kind" .; done
csv='csv:Text - txt - csv (StarCalc)'
lo "$csv:44,34,76,1" "$tmp" && mv "$tmp/track_list.csv" track_list-utf8.csv
lo "$csv:44,34,64,1" "$tmp" && mv "$tmp/track_list.csv" track_list-cp932.csv
lo "$csv:9,34,65535,1" "$tmp" && mv "$tmp/track_list.csv" track_list-utf16.tsv
# Excel's "CSV UTF-8" starts with a byte-order mark.
{ printf '\357\273\277'; cat track_list-utf8.csv; } >track_list-bom.csv
/usr/bin/python3 make_data.py .
/usr/bin/python3 make_kinds.py .
for kind in 'xls:MS Excel 97' xlsx; do
  soffice -env:UserInstallation=file://"$profile" --headless --convert-to "$kind" --outdir "$tmp" kinds-xlwt.xls >/dev/null
done
mv "$tmp/kinds-xlwt.xls" kinds-lo.xls && mv "$tmp/kinds-xlwt.xlsx" kinds-lo.xlsx
rm -rf "$profile" "$tmp"
