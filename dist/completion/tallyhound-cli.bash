# bash completion for tallyhound-cli
_tallyhound_cli() {
    local cur prev words cword
    _init_completion || return
    if [[ $cword -eq 1 ]]; then
        COMPREPLY=($(compgen -W "scan html save merge follow db --help --version" -- "$cur"))
        return
    fi
    local command=${words[1]} action=
    [[ $command == db && $cword -gt 2 ]] && action=${words[2]}
    case $prev in
        -o|--output)
            case $command$action in
                html) _filedir html ;;
                save) _filedir sf ;;
                dbexport) _filedir '@(tsv|csv|json)' ;;
            esac
            return ;;
        --bans)
            _filedir dat
            return ;;
        --db)
            _filedir mdb
            return ;;
        --after-merge)
            COMPREPLY=($(compgen -c -- "$cur"))
            return ;;
        --server|--threads|--interval|--backup-every|--search|--limit|--note)
            return ;;
        --format)
            COMPREPLY=($(compgen -W "tsv csv json" -- "$cur"))
            return ;;
    esac
    # Each command's options, and the files its other arguments are (folders are always
    # offered): logs and scan files, logs (follow), other ban files (db import), or none.
    local reading="--threads --console-lines --new-only --db --help"
    local options files='log|sf'
    case $command$action in
        scan) options="--raw --fold-colours $reading" ;;
        html) options="-o --output --fold-colours $reading" ;;
        save) options="-o --output $reading" ;;
        merge) options="--bans --server --dry-run $reading" ;;
        follow) options="--bans --db --server --interval --backup-every --after-merge --poll --threads --console-lines --help"
                files=log ;;
        db) COMPREPLY=($(compgen -W "init backup reset path list show stats export unban import --help" -- "$cur"))
            return ;;
        dbinit|dbbackup|dbpath|dbstats|dbshow) options="--db --help"; files= ;;
        dbreset) options="--db --yes --help"; files= ;;
        dblist) options="--db --search --limit --format --help"; files= ;;
        dbexport) options="--db --format -o --output --help"; files= ;;
        dbunban) options="--db --bans --server --note --ignore-missing --help"; files= ;;
        dbimport) options="--db --bans --server --help"; files=dat ;;
        *) return ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
    elif [[ -n $files ]]; then
        _filedir "@($files)"
    fi
}
complete -F _tallyhound_cli tallyhound-cli
