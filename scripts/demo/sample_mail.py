#!/usr/bin/env python3
"""Mail for the demo mailbox, as a Japanese mail program sends it: ISO-2022-JP
bodies and encoded-word headers.

  sample_mail.py welcome MAILDIR    the one message already seen
  sample_mail.py samples MAILDIR    three new messages, a second apart
  sample_mail.py phone              a short message on standard output, for
                                    the IMAP folder of the demo
"""
import email.charset
import email.header
import email.utils
import os
import pwd
import sys
import time

WELCOME = ("<welcome@demo.pell.test>", "Pell Watcher", "demo@example.jp", "ようこそ",
           "Pell Watcher のデモへようこそ。\n新しいメールが届くと、キャラクターが手紙を持ち上げます。\n")

SAMPLES = [
    ("山田 花子", "hanako@example.jp", "週末の山歩きのご案内",
     "こんにちは、花子です。\n"
     "今度の土曜日、みんなで山歩きに行きませんか。\n"
     "朝九時に駅の北口で待ち合わせましょう。\n"
     "お弁当と水筒は各自でお願いします。\n"
     "雨なら翌週に延ばします。\n"),
    ("市立図書館", "library@example.jp", "ご予約の本が届きました",
     "ご予約いただいた本「星空の地図帳」がご用意できました。\n"
     "受け取りの期限は来週の金曜日です。\n"
     "貸出カードをお持ちのうえ、二階のカウンターへお越しください。\n"),
    ("佐藤 一郎", "ichiro@example.jp", "明日の会議資料を差し替えました",
     "お疲れさまです。佐藤です。\n"
     "明日の会議資料で、三ページ目の集計表の数字を直しました。\n"
     "差し替えた版を共有フォルダーに置いてあります。\n"
     "古い版は印刷しないようにお願いします。\n"),
]


def encoded(text):
    if text.isascii():
        return text
    # Folded into several encoded-words when long, with CR LF line ends.
    return email.header.Header(text, "iso-2022-jp").encode().replace("\n", "\r\n")


def message(msgid, name, address, subject, body):
    head = [
        "Message-ID: %s" % msgid,
        "Date: %s" % email.utils.formatdate(localtime=True),
        "From: %s <%s>" % (encoded(name), address),
        "To: pelltest@example.jp",
        "Subject: %s" % encoded(subject),
        "MIME-Version: 1.0",
        "Content-Type: text/plain; charset=ISO-2022-JP",
        "Content-Transfer-Encoding: 7bit",
    ]
    text = "\r\n".join(head) + "\r\n\r\n" + body.replace("\n", "\r\n")
    return text.encode("iso-2022-jp")


def deliver(maildir, data, serial):
    name = "%d.M%dP%d.demo" % (time.time(), serial, os.getpid())
    path = os.path.join(maildir, "new", name)
    with open(path + ".tmp", "wb") as f:
        f.write(data)
    os.replace(path + ".tmp", path)
    try:
        user = pwd.getpwnam("pellmail")
        os.chown(path, user.pw_uid, user.pw_gid)
    except (KeyError, PermissionError):
        pass


PHONE = ("鈴木 美咲", "misaki@example.jp", "駅に着きました",
         "いま駅に着きました。\n改札の前で待っています。\n")


def main():
    what = sys.argv[1]
    if what == "phone":
        msgid = "<phone-%d@demo.pell.test>" % int(time.time())
        sys.stdout.buffer.write(message(msgid, *PHONE))
        return
    maildir = sys.argv[2]
    if what == "welcome":
        deliver(maildir, message(*WELCOME), 0)
        return
    for serial, (name, address, subject, body) in enumerate(SAMPLES, start=1):
        msgid = "<sample-%d-%d@demo.pell.test>" % (serial, int(time.time()))
        deliver(maildir, message(msgid, name, address, subject, body), serial)
        time.sleep(1)


if __name__ == "__main__":
    main()
