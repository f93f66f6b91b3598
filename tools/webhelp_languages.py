#!/usr/bin/python3
"""Writes the WebHelp interface keys (data/webhelp/languages.txt) and the shipped
translations (data/webhelp/langs/*.tsl) from the one table below.

    python3 tools/webhelp_languages.py [DATA_WEBHELP_FOLDER]

languages.txt is pure ASCII: one key per line between '["' and '"]'. A .tsl file holds one
key=translation line per key, in key order, as UTF-8 with a byte-order mark and CR LF line
ends. Keys never hold "=" (it separates key and translation) nor '"]'. "%1" stands for a
number the page fills in.
"""

import os
import sys

KEYS = [
    # navigation tabs
    "Contents", "Index", "Search", "Favorites",
    # header
    "Hide", "Show", "Previous", "Next", "Print",
    "Hide the navigation pane", "Show the navigation pane", "Previous topic", "Next topic",
    "Print this topic", "Drag to resize the navigation pane",
    # contents toolbar
    "Expand all", "Collapse all", "Show the current topic in the contents",
    # index
    "Type in the keyword to find:", "Display", "Select a topic:", "Close", "No keywords.",
    # search
    "Type in the word(s) to search for:", "Type a word to search for.", "Preparing the search...",
    "No topics found.", "1 topic found", "%1 topics found", "Show more results",
    "The search data could not be loaded.",
    # favorites
    "Current topic:", "No topic is open.", "Add", "Remove", "No favorites yet.",
]

TRANSLATIONS = {
    "German": [
        "Inhalt", "Index", "Suche", "Favoriten",
        "Ausblenden", "Einblenden", "Zur\u00fcck", "Weiter", "Drucken",
        "Navigationsbereich ausblenden", "Navigationsbereich einblenden", "Vorheriges Thema",
        "N\u00e4chstes Thema", "Dieses Thema drucken", "Ziehen, um die Breite des Navigationsbereichs zu \u00e4ndern",
        "Alle erweitern", "Alle reduzieren", "Aktuelles Thema im Inhalt zeigen",
        "Geben Sie das zu suchende Stichwort ein:", "Anzeigen", "W\u00e4hlen Sie ein Thema:", "Schlie\u00dfen",
        "Keine Stichw\u00f6rter.",
        "Geben Sie die zu suchenden W\u00f6rter ein:", "Geben Sie ein Wort ein, nach dem gesucht werden soll.",
        "Die Suche wird vorbereitet...", "Keine Themen gefunden.", "1 Thema gefunden", "%1 Themen gefunden",
        "Weitere Ergebnisse anzeigen", "Die Suchdaten konnten nicht geladen werden.",
        "Aktuelles Thema:", "Kein Thema ge\u00f6ffnet.", "Hinzuf\u00fcgen", "Entfernen", "Noch keine Favoriten.",
    ],
    "French": [
        "Sommaire", "Index", "Rechercher", "Favoris",
        "Masquer", "Afficher", "Pr\u00e9c\u00e9dent", "Suivant", "Imprimer",
        "Masquer le volet de navigation", "Afficher le volet de navigation", "Rubrique pr\u00e9c\u00e9dente",
        "Rubrique suivante", "Imprimer cette rubrique", "Faire glisser pour redimensionner le volet de navigation",
        "Tout d\u00e9velopper", "Tout r\u00e9duire", "Afficher la rubrique en cours dans le sommaire",
        "Tapez le mot-cl\u00e9 \u00e0 rechercher :", "Afficher", "Choisissez une rubrique :", "Fermer",
        "Aucun mot-cl\u00e9.",
        "Tapez le ou les mots \u00e0 rechercher :", "Tapez un mot \u00e0 rechercher.", "Pr\u00e9paration de la recherche...",
        "Aucune rubrique trouv\u00e9e.", "1 rubrique trouv\u00e9e", "%1 rubriques trouv\u00e9es",
        "Afficher plus de r\u00e9sultats", "Les donn\u00e9es de recherche n'ont pas pu \u00eatre charg\u00e9es.",
        "Rubrique en cours :", "Aucune rubrique ouverte.", "Ajouter", "Supprimer", "Aucun favori pour l'instant.",
    ],
    "Spanish": [
        "Contenido", "\u00cdndice", "Buscar", "Favoritos",
        "Ocultar", "Mostrar", "Anterior", "Siguiente", "Imprimir",
        "Ocultar el panel de navegaci\u00f3n", "Mostrar el panel de navegaci\u00f3n", "Tema anterior",
        "Tema siguiente", "Imprimir este tema", "Arrastre para cambiar el ancho del panel de navegaci\u00f3n",
        "Expandir todo", "Contraer todo", "Mostrar el tema actual en el contenido",
        "Escriba la palabra clave que desea buscar:", "Mostrar", "Seleccione un tema:", "Cerrar",
        "No hay palabras clave.",
        "Escriba las palabras que desea buscar:", "Escriba una palabra para buscar.", "Preparando la b\u00fasqueda...",
        "No se encontraron temas.", "1 tema encontrado", "%1 temas encontrados", "Mostrar m\u00e1s resultados",
        "No se pudieron cargar los datos de b\u00fasqueda.",
        "Tema actual:", "No hay ning\u00fan tema abierto.", "Agregar", "Quitar", "Todav\u00eda no hay favoritos.",
    ],
    "Italian": [
        "Sommario", "Indice", "Cerca", "Preferiti",
        "Nascondi", "Mostra", "Precedente", "Successivo", "Stampa",
        "Nascondi il riquadro di spostamento", "Mostra il riquadro di spostamento", "Argomento precedente",
        "Argomento successivo", "Stampa questo argomento",
        "Trascina per ridimensionare il riquadro di spostamento",
        "Espandi tutto", "Comprimi tutto", "Mostra l'argomento corrente nel sommario",
        "Digitare la parola chiave da cercare:", "Visualizza", "Selezionare un argomento:", "Chiudi",
        "Nessuna parola chiave.",
        "Digitare le parole da cercare:", "Digitare una parola da cercare.", "Preparazione della ricerca...",
        "Nessun argomento trovato.", "1 argomento trovato", "%1 argomenti trovati", "Mostra altri risultati",
        "Impossibile caricare i dati di ricerca.",
        "Argomento corrente:", "Nessun argomento aperto.", "Aggiungi", "Rimuovi", "Ancora nessun preferito.",
    ],
    "Portuguese": [
        "Conte\u00fado", "\u00cdndice", "Pesquisar", "Favoritos",
        "Ocultar", "Mostrar", "Anterior", "Pr\u00f3ximo", "Imprimir",
        "Ocultar o painel de navega\u00e7\u00e3o", "Mostrar o painel de navega\u00e7\u00e3o", "T\u00f3pico anterior",
        "Pr\u00f3ximo t\u00f3pico", "Imprimir este t\u00f3pico",
        "Arraste para redimensionar o painel de navega\u00e7\u00e3o",
        "Expandir tudo", "Recolher tudo", "Mostrar o t\u00f3pico atual no conte\u00fado",
        "Digite a palavra-chave a localizar:", "Exibir", "Selecione um t\u00f3pico:", "Fechar",
        "Nenhuma palavra-chave.",
        "Digite as palavras a pesquisar:", "Digite uma palavra para pesquisar.", "Preparando a pesquisa...",
        "Nenhum t\u00f3pico encontrado.", "1 t\u00f3pico encontrado", "%1 t\u00f3picos encontrados",
        "Mostrar mais resultados", "N\u00e3o foi poss\u00edvel carregar os dados de pesquisa.",
        "T\u00f3pico atual:", "Nenhum t\u00f3pico aberto.", "Adicionar", "Remover", "Ainda n\u00e3o h\u00e1 favoritos.",
    ],
    "Chinese-Simplified": [
        "\u76ee\u5f55", "\u7d22\u5f15", "\u641c\u7d22", "\u6536\u85cf\u5939",
        "\u9690\u85cf", "\u663e\u793a", "\u4e0a\u4e00\u9875", "\u4e0b\u4e00\u9875", "\u6253\u5370",
        "\u9690\u85cf\u5bfc\u822a\u7a97\u683c", "\u663e\u793a\u5bfc\u822a\u7a97\u683c", "\u4e0a\u4e00\u4e3b\u9898",
        "\u4e0b\u4e00\u4e3b\u9898", "\u6253\u5370\u6b64\u4e3b\u9898", "\u62d6\u52a8\u4ee5\u8c03\u6574\u5bfc\u822a\u7a97\u683c\u7684\u5bbd\u5ea6",
        "\u5168\u90e8\u5c55\u5f00", "\u5168\u90e8\u6298\u53e0", "\u5728\u76ee\u5f55\u4e2d\u663e\u793a\u5f53\u524d\u4e3b\u9898",
        "\u8f93\u5165\u8981\u67e5\u627e\u7684\u5173\u952e\u5b57\uff1a", "\u663e\u793a", "\u9009\u62e9\u4e00\u4e2a\u4e3b\u9898\uff1a",
        "\u5173\u95ed", "\u6ca1\u6709\u5173\u952e\u5b57\u3002",
        "\u8f93\u5165\u8981\u641c\u7d22\u7684\u5b57\u8bcd\uff1a", "\u8bf7\u8f93\u5165\u8981\u641c\u7d22\u7684\u5b57\u8bcd\u3002",
        "\u6b63\u5728\u51c6\u5907\u641c\u7d22...", "\u672a\u627e\u5230\u4e3b\u9898\u3002", "\u627e\u5230 1 \u4e2a\u4e3b\u9898",
        "\u627e\u5230 %1 \u4e2a\u4e3b\u9898", "\u663e\u793a\u66f4\u591a\u7ed3\u679c", "\u65e0\u6cd5\u52a0\u8f7d\u641c\u7d22\u6570\u636e\u3002",
        "\u5f53\u524d\u4e3b\u9898\uff1a", "\u6ca1\u6709\u6253\u5f00\u7684\u4e3b\u9898\u3002", "\u6dfb\u52a0", "\u5220\u9664",
        "\u8fd8\u6ca1\u6709\u6536\u85cf\u3002",
    ],
    "Japanese": [
        "\u76ee\u6b21", "\u7d22\u5f15", "\u691c\u7d22", "\u304a\u6c17\u306b\u5165\u308a",
        "\u975e\u8868\u793a", "\u8868\u793a", "\u524d\u3078", "\u6b21\u3078", "\u5370\u5237",
        "\u30ca\u30d3\u30b2\u30fc\u30b7\u30e7\u30f3 \u30a6\u30a3\u30f3\u30c9\u30a6\u3092\u96a0\u3059",
        "\u30ca\u30d3\u30b2\u30fc\u30b7\u30e7\u30f3 \u30a6\u30a3\u30f3\u30c9\u30a6\u3092\u8868\u793a",
        "\u524d\u306e\u30c8\u30d4\u30c3\u30af", "\u6b21\u306e\u30c8\u30d4\u30c3\u30af",
        "\u3053\u306e\u30c8\u30d4\u30c3\u30af\u3092\u5370\u5237",
        "\u30c9\u30e9\u30c3\u30b0\u3057\u3066\u30ca\u30d3\u30b2\u30fc\u30b7\u30e7\u30f3 \u30a6\u30a3\u30f3\u30c9\u30a6\u306e\u5e45\u3092\u5909\u66f4",
        "\u3059\u3079\u3066\u5c55\u958b", "\u3059\u3079\u3066\u6298\u308a\u305f\u305f\u3080",
        "\u73fe\u5728\u306e\u30c8\u30d4\u30c3\u30af\u3092\u76ee\u6b21\u306b\u8868\u793a",
        "\u691c\u7d22\u3059\u308b\u30ad\u30fc\u30ef\u30fc\u30c9\u3092\u5165\u529b\u3057\u3066\u304f\u3060\u3055\u3044:",
        "\u8868\u793a", "\u30c8\u30d4\u30c3\u30af\u3092\u9078\u629e\u3057\u3066\u304f\u3060\u3055\u3044:", "\u9589\u3058\u308b",
        "\u30ad\u30fc\u30ef\u30fc\u30c9\u306f\u3042\u308a\u307e\u305b\u3093\u3002",
        "\u691c\u7d22\u3059\u308b\u8a9e\u53e5\u3092\u5165\u529b\u3057\u3066\u304f\u3060\u3055\u3044:",
        "\u691c\u7d22\u3059\u308b\u8a9e\u53e5\u3092\u5165\u529b\u3057\u3066\u304f\u3060\u3055\u3044\u3002",
        "\u691c\u7d22\u3092\u6e96\u5099\u3057\u3066\u3044\u307e\u3059...",
        "\u30c8\u30d4\u30c3\u30af\u306f\u898b\u3064\u304b\u308a\u307e\u305b\u3093\u3067\u3057\u305f\u3002",
        "1 \u4ef6\u306e\u30c8\u30d4\u30c3\u30af\u304c\u898b\u3064\u304b\u308a\u307e\u3057\u305f",
        "%1 \u4ef6\u306e\u30c8\u30d4\u30c3\u30af\u304c\u898b\u3064\u304b\u308a\u307e\u3057\u305f",
        "\u3055\u3089\u306b\u7d50\u679c\u3092\u8868\u793a",
        "\u691c\u7d22\u30c7\u30fc\u30bf\u3092\u8aad\u307f\u8fbc\u3081\u307e\u305b\u3093\u3067\u3057\u305f\u3002",
        "\u73fe\u5728\u306e\u30c8\u30d4\u30c3\u30af:", "\u958b\u3044\u3066\u3044\u308b\u30c8\u30d4\u30c3\u30af\u306f\u3042\u308a\u307e\u305b\u3093\u3002",
        "\u8ffd\u52a0", "\u524a\u9664", "\u304a\u6c17\u306b\u5165\u308a\u306f\u307e\u3060\u3042\u308a\u307e\u305b\u3093\u3002",
    ],
}


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "data", "webhelp")
    for k in KEYS:
        assert "=" not in k and '"]' not in k and k.strip() == k and k.isascii(), k
    assert len(set(k.lower() for k in KEYS)) == len(KEYS)
    lines = [
        "# Interface texts of the WebHelp pages, one key per line between the brackets.",
        "# Each build turns them into languages.js; a project's dictionary translates them.",
        "",
    ] + ['strings["%s"]' % k for k in KEYS]
    with open(os.path.join(root, "languages.txt"), "wb") as f:
        f.write(("\r\n".join(lines) + "\r\n").encode("ascii"))
    os.makedirs(os.path.join(root, "langs"), exist_ok=True)
    for name, texts in TRANSLATIONS.items():
        assert len(texts) == len(KEYS), name
        body = "".join("%s=%s\r\n" % (k, t) for k, t in zip(KEYS, texts))
        with open(os.path.join(root, "langs", name + ".tsl"), "wb") as f:
            f.write(b"\xef\xbb\xbf" + body.encode("utf-8"))
    print("languages written to", os.path.abspath(root))


if __name__ == "__main__":
    main()
