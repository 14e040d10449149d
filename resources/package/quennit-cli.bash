# bash completion for quennit-cli
_quennit_cli() {
    local cur prev words cword
    _init_completion || return

    local command="" i
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
            check | extract | search) command=${words[i]} && break ;;
        esac
    done

    case $prev in
        --format)
            case $command in
                check) COMPREPLY=($(compgen -W 'text json' -- "$cur")) ;;
                *) COMPREPLY=($(compgen -W 'tsv json' -- "$cur")) ;;
            esac
            return
            ;;
        --sites)
            _filedir ini
            return
            ;;
        --site | --group | --timeout | --retry | --jobs | --fetch)
            return
            ;;
    esac

    local options
    case $command in
        "") options='check extract search --help --version' ;;
        check) options='--format --fetch --help' ;;
        extract) options='--sites --site --format --explain --help' ;;
        search) options='--sites --group --timeout --retry --multi --jobs --summary --format --help' ;;
    esac
    if [[ -z $command || $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
    else
        _filedir
    fi
} && complete -F _quennit_cli quennit-cli
