# args: --controls --screen 1024x768
# The layout on a 1024 by 768 screen, a resize to 600 by 800 (the picture
# area then starts left of the window), and back; a layout erases the
# picture area and shows both choice buttons.
--- file opn.dat
>img>pic
文章
--- file pic.jpg jpeg 640x480
--- events
resize 600x800
resize 1024x768
