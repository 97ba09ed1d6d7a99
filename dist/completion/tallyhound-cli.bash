# bash completion for tallyhound-cli
_tallyhound_cli() {
    local cur prev words cword
    _init_completion || return
    local commands="scan html save merge db"
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
    esac
    case ${words[1]} in
        db)
            if [[ $cword -eq 2 ]]; then
                COMPREPLY=($(compgen -W "backup reset path list show stats export unban import" -- "$cur"))
            else
                COMPREPLY=($(compgen -W "--db --yes --bans --search --limit --format -o --note --ignore-missing --help" -- "$cur"))
            fi ;;
        scan)
            [[ $cur == -* ]] && COMPREPLY=($(compgen -W "--raw --threads --console-lines --fold-colours --help" -- "$cur")) || _filedir '@(log|sf)' ;;
        html)
            [[ $cur == -* ]] && COMPREPLY=($(compgen -W "-o --threads --console-lines --fold-colours --help" -- "$cur")) || _filedir '@(log|sf)' ;;
        save)
            [[ $cur == -* ]] && COMPREPLY=($(compgen -W "-o --threads --console-lines --help" -- "$cur")) || _filedir '@(log|sf)' ;;
        merge)
            [[ $cur == -* ]] && COMPREPLY=($(compgen -W "--bans --db --threads --console-lines --help" -- "$cur")) || _filedir '@(log|sf)' ;;
    esac
}
complete -F _tallyhound_cli tallyhound-cli
