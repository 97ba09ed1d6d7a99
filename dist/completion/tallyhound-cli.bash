# bash completion for tallyhound-cli
_tallyhound_cli() {
    local cur prev words cword
    _init_completion || return
    local commands="scan html save merge follow db"
    if [[ $cword -eq 1 ]]; then
        COMPREPLY=($(compgen -W "$commands --help --version" -- "$cur"))
        return
    fi
    case $prev in
        -o)
            _filedir '@(html|sf)'
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
    case ${words[1]} in
        db)
            if [[ $cword -eq 2 ]]; then
                COMPREPLY=($(compgen -W "init backup reset path list show stats export unban import" -- "$cur"))
            else
                COMPREPLY=($(compgen -W "--db --yes --bans --search --limit --format -o --note --ignore-missing --help" -- "$cur"))
            fi ;;
        scan)
            [[ $cur == -* ]] && COMPREPLY=($(compgen -W "--raw --threads --console-lines --fold-colours --new-only --db --help" -- "$cur")) || _filedir '@(log|sf)' ;;
        html)
            [[ $cur == -* ]] && COMPREPLY=($(compgen -W "-o --threads --console-lines --fold-colours --new-only --db --help" -- "$cur")) || _filedir '@(log|sf)' ;;
        save)
            [[ $cur == -* ]] && COMPREPLY=($(compgen -W "-o --threads --console-lines --new-only --db --help" -- "$cur")) || _filedir '@(log|sf)' ;;
        merge)
            [[ $cur == -* ]] && COMPREPLY=($(compgen -W "--bans --db --server --threads --console-lines --new-only --dry-run --help" -- "$cur")) || _filedir '@(log|sf)' ;;
        follow)
            [[ $cur == -* ]] && COMPREPLY=($(compgen -W "--bans --db --server --interval --backup-every --after-merge --poll --threads --console-lines --help" -- "$cur")) || _filedir log ;;
    esac
}
complete -F _tallyhound_cli tallyhound-cli
