# hub.dat jumps to itself when flag k is on, and hub.dat sets it on. Flags
# live on into the next game, so every play loops there in its second game,
# whatever it picks: an error, not a mere possibility.
# Flag z is never set on anywhere, so the same loop on z cannot happen; nor
# can a loop that needs a flag on after the same walk found it off.
# expect: hub.dat:1:13 error jump-cycle: when the flags are so ('k' on), and every play comes here with them, whatever it picks
# expect: hub.dat:2:6 warning never-taken: this branch is never taken: no line of the story sets flag 'z' on
# expect: hub.dat:4:6 warning never-taken: this branch is never taken: flag 'w' is always off here
--- file opn.dat
はじめ
>ive>hub
--- file hub.dat
>bon>k>next>hub
>bon>z>next>hub
>off>w
>bon>w>next>hub
ハブ
>on>k
>ending
--- file end.dat
終わり
>on>w
>end
--- events
run
click clickme
run
click clickme
run
click clickme
run
click clickme
run
