# bash completion for vennox-otp: its options, the algorithm names after
# --new-algorithm, the algorithm of a challenge and its closing "ext". Pass
# phrases are never arguments, so nothing here completes one.
_vennox_otp() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    COMPREPLY=()

    case $prev in
    --new-algorithm)
        COMPREPLY=($(compgen -W 'md4 md5 sha1' -- "$cur"))
        return
        ;;
    -n | --new-count | --new-seed)
        return
        ;;
    esac

    # Options come first; the first other word (or what follows --) starts
    # the challenge, or the words of --decode.
    local i word decode= options=1
    local -a challenge=()
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        if ((options)); then
            case $word in
            --) options=0 ;;
            --decode) decode=1 ;;
            -n | --new-count | --new-seed | --new-algorithm) ((i++)) ;;
            -?*) ;;
            *) options=0 challenge+=("$word") ;;
            esac
        else
            challenge+=("$word")
        fi
    done
    [[ $decode ]] && return

    if ((options)) && [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W '--md4 --md5 --sha1 -n --hex --init --new-seed --new-count
            --new-algorithm --decode --help --version --' -- "$cur"))
    elif ((${#challenge[@]} == 0)); then
        COMPREPLY=($(compgen -W 'otp-md4 otp-md5 otp-sha1' -- "$cur"))
    else
        # "ext" follows the seed: the third word, or the second with no algorithm.
        local seedAt=2
        case ${challenge[0]} in
        *md4* | *MD4* | *md5* | *MD5* | *sha1* | *SHA1*) seedAt=3 ;;
        esac
        ((${#challenge[@]} == seedAt)) && COMPREPLY=($(compgen -W 'ext' -- "$cur"))
    fi
}
complete -F _vennox_otp vennox-otp
