#!/usr/bin/env python3
"""Writes a mail with a Japanese sender, subject and body (ISO-2022-JP), as a
Japanese mail program sends it: make_japanese_mail.py FILE N"""
import base64
import sys

MAILS = [
    ("田中 一郎", "会議の日程について", "e2e-uidl-1",
     ["山田さん", "", "来週の会議は火曜日の午後二時からに変更になりました。",
      "資料は前日までにお送りします。", "", "田中"]),
    ("佐藤 花子", "お見積りのご依頼", "e2e-uidl-2",
     ["いつもお世話になっております。", "",
      "先日お話しした件につきまして、お見積りをお願いできますでしょうか。",
      "数量は百個、納期は月末を希望しております。",
      "ご不明な点がございましたら、お気軽にお問い合わせください。", "", "佐藤"]),
    ("鈴木", "週末の予定", "e2e-uidl-3",
     ["今度の土曜日、天気が良ければ公園でお花見をしませんか。",
      "お弁当は私が用意します。", "", "鈴木"]),
]


def word(text):
    return "=?ISO-2022-JP?B?" + base64.b64encode(text.encode("iso2022_jp")).decode() + "?="


def main():
    path, n = sys.argv[1], int(sys.argv[2])
    sender, subject, uidl, body = MAILS[n - 1]
    head = (
        f"Message-ID: <e2e-notify-{n}@pell.test>\r\n"
        f"From: {word(sender)} <sender{n}@pell.test>\r\n"
        "To: pelltest@pell.test\r\n"
        f"Subject: {word(subject)}\r\n"
        f"Date: Mon, 7 Dec 2026 09:{10 + n}:00 +0900\r\n"
        f"X-UIDL: {uidl}\r\n"
        "MIME-Version: 1.0\r\n"
        "Content-Type: text/plain; charset=ISO-2022-JP\r\n"
        "Content-Transfer-Encoding: 7bit\r\n\r\n"
    )
    text = "".join(line + "\r\n" for line in body)
    with open(path, "wb") as out:
        out.write(head.encode("ascii") + text.encode("iso2022_jp"))


main()
