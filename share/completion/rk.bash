# Bash completion for rkreport and rkconfig.
#
# The programs complete their own command lines: "rkreport --complete
# WORD... PARTIAL" prints, one a line, every word that may stand where
# PARTIAL stands (command words, object words, action=..., parameter names
# and choice words), learnt from the command tables. So completion always
# offers exactly what the commands accept.

_rk_complete()
{
    local program=$1
    local line=${COMP_LINE:0:COMP_POINT}
    local -a words
    read -r -a words <<< "$line"
    # A line that ends in a blank is about to start a new word.
    if [[ -z $line || $line == *[[:space:]] ]]; then
        words+=("")
    fi
    (( ${#words[@]} >= 2 )) || return 0
    local current=${words[${#words[@]}-1]}

    local -a found
    mapfile -t found < <("$program" --complete "${words[@]:1}" 2>/dev/null)

    # Bash replaces only the part of the word after the last word-break
    # character it contains ('=' and ':' by default), so each candidate
    # loses the part of the current word before it.
    local keep="" i
    for (( i = ${#current} - 1; i >= 0; i-- )); do
        if [[ $COMP_WORDBREAKS == *"${current:i:1}"* ]]; then
            keep=${current:0:i+1}
            break
        fi
    done

    COMPREPLY=()
    local candidate nospace=""
    for candidate in "${found[@]}"; do
        COMPREPLY+=("${candidate#"$keep"}")
        # A parameter name or option waiting for its value takes no blank.
        [[ $candidate == *= ]] && nospace=1
    done
    if [[ -n $nospace ]] && type compopt &>/dev/null; then
        compopt -o nospace 2>/dev/null
    fi
    return 0
}

complete -F _rk_complete rkreport rkconfig
