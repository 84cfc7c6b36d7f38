grep -q "^//depot/main/\.\.\. //depot/main/\.\.\." map.txt
