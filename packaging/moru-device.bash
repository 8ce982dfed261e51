# bash completion for moru-device                                     -*- shell-script -*-

_moru_device() {
    local cur prev words cword
    _init_completion || return

    # The command is the first word that is not --root or its folder.
    local i command="" command_at=0
    for ((i = 1; i < cword; i++)); do
        if [[ ${words[i]} == --root ]]; then
            ((i++))
            continue
        fi
        command=${words[i]}
        command_at=$i
        break
    done

    if [[ $prev == --root ]]; then
        _filedir -d
        return
    fi
    if [[ -z $command ]]; then
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W '--root --help' -- "$cur"))
        else
            COMPREPLY=($(compgen -W 'add list query show delete count reg help' -- "$cur"))
        fi
        return
    fi

    case $command in
    add)
        case $prev in
        --recur)
            COMPREPLY=($(compgen -W 'daily weekly monthly monthly-nth yearly yearly-nth' \
                -- "$cur"))
            return
            ;;
        --subject | --start | --end | --reminder | --sound | --interval | --mask | --day | \
            --instance | --month | --until | --count)
            return
            ;;
        esac
        COMPREPLY=($(compgen -W '--subject --start --end --all-day --reminder --sound
            --recur --interval --mask --day --instance --month --until --count' -- "$cur"))
        ;;
    list)
        case $prev in
        --from | --to) return ;;
        esac
        COMPREPLY=($(compgen -W '--from --to' -- "$cur"))
        ;;
    query)
        [[ $cur == -* ]] && COMPREPLY=($(compgen -W '--recurrences' -- "$cur"))
        ;;
    reg)
        if ((cword == command_at + 1)); then
            COMPREPLY=($(compgen -W 'get set delete list' -- "$cur"))
        fi
        ;;
    esac
} &&
    complete -F _moru_device moru-device

# ex: filetype=sh
