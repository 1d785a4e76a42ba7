# The music timer restarts the music only on "stopped"; the End button
# closes the music and ends the program.
--- file opn.dat
文章
--- events
bgmtick
bgm paused
bgmtick
bgm not ready
bgmtick
bgm stopped
bgmtick
bgmtick
click end
tick
