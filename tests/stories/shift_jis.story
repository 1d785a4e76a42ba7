# Scripts are code page 932: the placeholder (82 78) becomes the heroine's
# name in every line, halfwidth katakana read as themselves, an invalid
# byte becomes one geta mark and never hides a line, a lone CR ends a
# line while a lone LF stays in it, a NUL byte is a character, and the
# last line needs no terminator.
--- file opn.dat noeol
ＹとＹ
ｶﾀｶﾅ ﾃｽﾄ
壊れた\x81\x20バイト\xA0と\xFD
前\r後
前\n後
\x00ヌル
>ive>Ｙ
--- file 澪.dat noeol
名前の場面
最後の行
--- events
click lbl
click lbl
click lbl
click lbl
click lbl
click lbl
click lbl
click lbl
