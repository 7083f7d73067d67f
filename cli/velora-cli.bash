# bash completion for velora-cli: its commands, their options, the keys of KEY=VALUE with their
# unit suffixes, the drag laws' names, the import formats, and file names where a preferences file,
# a shots file or a shot string goes.

_velora_cli()
{
    local cur=${COMP_WORDS[COMP_CWORD]}
    local commands="trajectory solve predict fit curve import report table prefs first-run number help"
    local keys="MV ZR TR TRArray SH TV POI ET DROP BC MV_TOL TV_TOL TMP PRES HUMID TableStep CURVE stateBC stateRB stateBC_VAL stateMV stateZR stateTR stateSH stateTV statePOI stateET stateDROP stateTMP statePRES statePAN mode mpag ShowTarget Gaps AutoUpdateCheck AutoLogoCheck EnableToolTips Scheme WinX WinY"
    local laws="G1 GA GA2 GS RA4 G7 SLG0 SLG1 WC0 GL"
    COMPREPLY=()

    if [[ $COMP_CWORD -eq 1 ]]; then
        COMPREPLY=($(compgen -W "$commands --help --version" -- "$cur"))
        return
    fi

    local command=${COMP_WORDS[1]} options=""
    case $command in
        trajectory) options="--law --drag-table --text --help" ;;
        solve|predict) options="--law --drag-table --trajectory --text --help" ;;
        fit) options="--law --drag-table --fit-mv --own-mv --gates --keep-outliers --schema --text --help" ;;
        curve)
            # -o names the drag table written.
            if [[ ${COMP_WORDS[COMP_CWORD-1]} == -o || ${COMP_WORDS[COMP_CWORD-1]} == --plot ]]; then
                COMPREPLY=($(compgen -f -- "$cur"))
                compopt -o filenames 2>/dev/null
                return
            fi
            options="--drag-table --gates --keep-outliers --text -o --plot --help" ;;
        report)
            # -o names the PDF; --title and --notes take a text of the user's.
            case ${COMP_WORDS[COMP_CWORD-1]} in
                -o) COMPREPLY=($(compgen -f -- "$cur")); compopt -o filenames 2>/dev/null; return ;;
                --title|--notes) return ;;
            esac
            options="--title --notes --fit-mv -o --help" ;;
        import)
            # A file, a folder or a zip; --format takes one of the readers' names.
            if [[ ${COMP_WORDS[COMP_CWORD-1]} == --format ]]; then
                COMPREPLY=($(compgen -W "labradar labradar-track xero-csv xero-fit magnetospeed shots-csv string-csv paste velora-json xero-sheet" -- "$cur"))
                return
            fi
            if [[ $cur == -* && $cur != - ]]; then
                COMPREPLY=($(compgen -W "--format --json --csv --help" -- "$cur"))
            else
                COMPREPLY=($(compgen -f -- "$cur"))
                compopt -o filenames 2>/dev/null
            fi
            return ;;
        table|prefs|first-run|number) options="--help" ;;
        help)
            [[ $COMP_CWORD -eq 2 ]] && COMPREPLY=($(compgen -W "$commands" -- "$cur"))
            return ;;
        *) return ;;
    esac
    # The projectile's keys, for the commands that fly it.
    case $command in
        trajectory|solve|predict|fit) keys="$keys WEIGHT CAL LEN ENERGY_LIMIT FORM" ;;
        report) keys="$keys WEIGHT CAL LEN ENERGY_LIMIT" ;;
        curve) keys="$keys WEIGHT CAL LEN" ;;
        table) keys="$keys WEIGHT CAL LEN ENERGY_LIMIT" ;;
    esac

    if [[ $cur == -* && $cur != - ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        return
    fi
    case $command in
        first-run|number) return ;;
    esac
    # --law takes a drag law's name.
    if [[ ${COMP_WORDS[COMP_CWORD-1]} == --law ]]; then
        COMPREPLY=($(compgen -W "$laws" -- "$cur"))
        return
    fi

    # --drag-table takes a file.
    if [[ ${COMP_WORDS[COMP_CWORD-1]} == --drag-table ]]; then
        COMPREPLY=($(compgen -f -- "$cur"))
        compopt -o filenames 2>/dev/null
        return
    fi

    # The first word after the command is FILE (for fit, the first two: FILE and SHOTS.csv); the
    # words after it are KEY=VALUE. bash splits "MV=" into "MV" "=" when = is one of its word
    # breaks, so the key may stand two words back.
    local i operands=0 files=1
    [[ $command == fit || $command == report || $command == curve ]] && files=2
    for ((i = 2; i < COMP_CWORD; i++)); do
        [[ ${COMP_WORDS[i]} == -* && ${COMP_WORDS[i]} != - ]] && continue
        [[ ${COMP_WORDS[i-1]} == --law || ${COMP_WORDS[i-1]} == --drag-table || ${COMP_WORDS[i-1]} == -o || ${COMP_WORDS[i-1]} == --plot || ${COMP_WORDS[i-1]} == --title ||
           ${COMP_WORDS[i-1]} == --notes ]] && continue
        [[ ${COMP_WORDS[i]} == = || ${COMP_WORDS[i-1]} == = ]] && continue
        operands=$((operands + 1))
    done
    if [[ $operands -lt $files && $cur != *=* && $cur != = && ${COMP_WORDS[COMP_CWORD-1]} != = ]]; then
        COMPREPLY=($(compgen -f -- "$cur"))
        compopt -o filenames 2>/dev/null
        return
    fi

    local key="" value=""
    if [[ $cur == *=* ]]; then
        key=${cur%%=*} value=${cur#*=}
    elif [[ $cur == = ]]; then
        key=${COMP_WORDS[COMP_CWORD-1]}
    elif [[ ${COMP_WORDS[COMP_CWORD-1]} == = ]]; then
        key=${COMP_WORDS[COMP_CWORD-2]} value=$cur
    fi
    if [[ -n $key || $cur == = ]]; then
        # A drag law by its name.
        case ${key^^} in
            CURVE|STATEBC)
                local prefix=""
                [[ $cur == *=* ]] && prefix="$key="
                COMPREPLY=($(compgen -P "$prefix" -W "$laws" -- "$value"))
                return ;;
        esac
        # A value: after its number, the unit suffixes of the key's quantity.
        local suffixes=""
        case ${key^^} in
            MV|TV) suffixes="ft/s fps m/s" ;;
            ZR|TR|TRARRAY*) suffixes="yd m ft" ;;
            SH|POI|_POI|DROP) suffixes="in mm cm" ;;
            ET) suffixes="s ms" ;;
            TMP) suffixes="C F" ;;
            PRES) suffixes="inHg mmHg mbar hPa" ;;
            HUMID|MV_TOL|TV_TOL) suffixes="%" ;;
            WEIGHT) suffixes="gr g" ;;
            CAL|LEN) suffixes="in mm" ;;
            ENERGY_LIMIT) suffixes="ftlbf J" ;;
        esac
        local number=${value%%[!0-9.eE+-]*}
        if [[ -n $number && -n $suffixes && $number == "$value" ]]; then
            local prefix=""
            [[ $cur == *=* ]] && prefix="$key="
            COMPREPLY=($(compgen -P "$prefix$number" -W "$suffixes" -- ""))
        fi
        return
    fi
    COMPREPLY=($(compgen -S = -W "$keys" -- "$cur"))
    compopt -o nospace 2>/dev/null
}

complete -F _velora_cli velora-cli
