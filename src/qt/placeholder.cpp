// Qt shell sources live in this folder.
