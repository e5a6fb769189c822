#!/bin/bash
# A stand-in engine for the referee's clock: it answers START at once and
# every request for a move or a Swap2 answer only after DELAY seconds (the
# first argument): a move on the first point of row 0 it has not seen taken,
# SWAP to a Swap2 question.
delay=${1:-1}
taken=" "
move() {
    sleep "$delay"
    for y in $(seq 0 14); do
        case "$taken" in *" 0,$y "*) ;; *) taken="${taken}0,$y "; echo "0,$y"; return ;; esac
    done
}
while read -r line; do
    line=${line%$'\r'}
    case "$line" in
        START*|RESTART*) taken=" "; echo OK ;;
        BEGIN) move ;;
        TURN\ *) taken="${taken}${line#TURN } "; move ;;
        BOARD) while read -r stone && [ "${stone%$'\r'}" != DONE ]; do taken="${taken}${stone%,*} "; done
               move ;;
        SWAP2BOARD) while read -r stone && [ "${stone%$'\r'}" != DONE ]; do :; done
                    sleep "$delay"; echo SWAP ;;
        END) exit 0 ;;
    esac
done
