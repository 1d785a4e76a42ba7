# A picture file that holds no JPEG stream.
# expect: opn.dat:2:6 error bad-picture: the picture 'broken.jpg' cannot be decoded
--- file opn.dat
はじめ
>img>broken
>ending
--- file end.dat
終わり
>end
--- file broken.jpg raw
not a picture
--- events
run
click clickme
